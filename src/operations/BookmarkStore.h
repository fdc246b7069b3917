// Storing a bookmark: the name proposed for a location, the folder keys
// below the bookmark key, and the write that never replaces another
// location's bookmark of the same name. Window-free.
#pragma once

#include <string>
#include <vector>

// Stored bookmarks live here: each string value is one (name: menu text,
// data: location), each sub-key a folder.
constexpr wchar_t kBookmarksKey[] = L"CURRENT_USER\\Software\\Quenmar Consulting\\Zorvane\\Bookmarks";
// Folders deeper than this are left out (a link loop would never end).
constexpr int kMaxBookmarkDepth = 32;

// The name proposed for a location: its value name when it names a value
// (key path, a tab, the value name), else its key's name.
std::wstring ProposedBookmarkName(const std::wstring& location);
// The folder key for a chain of folder names below the bookmark key (the
// bookmark key itself for none).
std::wstring BookmarkFolderKey(const std::vector<std::wstring>& folders, const std::wstring& bookmarksKey);

enum class BookmarkStoreResult
{
    Stored,
    FolderFailed, // the folder key could not be created
    WriteFailed,
};

// Writes the bookmark into the folder key (created when missing). While a
// value of the name holds another location, "_" is appended to the name;
// the name written goes to storedName.
BookmarkStoreResult StoreBookmark(const std::wstring& folderKey, const std::wstring& name,
                                  const std::wstring& location, std::wstring* storedName = nullptr);

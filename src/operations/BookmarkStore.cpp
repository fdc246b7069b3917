// Bookmark names and their storage.
#include "operations/BookmarkStore.h"

#include "base/Strings.h"
#include "registry/EzReg.h"

namespace
{
// The longest value name the registry takes.
constexpr size_t kMaxValueName = 16383;
} // namespace

std::wstring ProposedBookmarkName(const std::wstring& location)
{
    size_t tab = location.find(L'\t');
    if (tab != std::wstring::npos && tab + 1 < location.size())
        return location.substr(tab + 1);
    std::wstring key = location.substr(0, tab);
    size_t slash = key.rfind(L'\\');
    return slash == std::wstring::npos ? key : key.substr(slash + 1);
}

std::wstring BookmarkFolderKey(const std::vector<std::wstring>& folders, const std::wstring& bookmarksKey)
{
    std::wstring path = bookmarksKey;
    for (const std::wstring& folder : folders)
        path += L'\\' + folder;
    return path;
}

BookmarkStoreResult StoreBookmark(const std::wstring& folderKey, const std::wstring& name,
                                  const std::wstring& location, std::wstring* storedName)
{
    CEzReg folder(folderKey);
    if (!folder.CreateKey())
        return BookmarkStoreResult::FolderFailed;
    std::wstring used = name;
    // Another location's bookmark of this name stays; the same location's
    // is written over with the same data.
    while (folder.QueryValue(used.c_str()) && !zv::EqualsNoCase(folder.DataText(), location))
    {
        if (used.size() >= kMaxValueName)
            return BookmarkStoreResult::WriteFailed;
        used += L'_';
    }
    if (!folder.SetValueText(used.c_str(), location, REG_SZ))
        return BookmarkStoreResult::WriteFailed;
    if (storedName)
        *storedName = used;
    return BookmarkStoreResult::Stored;
}

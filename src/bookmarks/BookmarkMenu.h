// The Bookmarks menu: rebuilt from the registry each time it is shown, with
// the platform editor's favourites as a submenu before our own bookmarks.
// Menus need no window, so this is window-free and tested as it stands.
#pragma once

#include "operations/BookmarkStore.h"

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// The platform editor's favourites, in the same layout; only read.
constexpr wchar_t kPlatformFavoritesKey[] =
    L"CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit\\Favorites";

// A bookmark item's location is kept at its command id less this.
constexpr UINT kBookmarkIndexBase = 923;
constexpr UINT kFirstBookmarkId = 1125;
constexpr UINT kBookmarkIdLimit = 1325; // ids below this only: 200 items
constexpr int kMaxBookmarkItems = static_cast<int>(kBookmarkIdLimit - kFirstBookmarkId);

struct BookmarkMenuState
{
    // Locations by command id less kBookmarkIndexBase.
    std::vector<std::wstring> paths;
    UINT nextId = kFirstBookmarkId;
    // Told of each item left out past the limit (the status bar).
    std::function<void(const std::wstring&)> status;
};

// Appends an item for location with the next command id; false past the limit.
bool AddBookmarkItem(HMENU menu, BookmarkMenuState& state, const std::wstring& text,
                     const std::wstring& location);
// Fills menu from the folder at keyPath (with a title: as one submenu of
// that title); returns how many items it added to menu.
int BuildBookmarkMenu(HMENU menu, const std::wstring& keyPath, BookmarkMenuState& state, bool addOrganize,
                      UINT titleId, int depth = 0);
// Removes everything after the anchor item and adds the favourites and the
// bookmarks, with a separator after the anchor when there are any.
void RebuildBookmarkMenu(HMENU menu, UINT anchorId, BookmarkMenuState& state,
                         const std::wstring& favoritesKey = kPlatformFavoritesKey,
                         const std::wstring& bookmarksKey = kBookmarksKey);
// "&<n> <name>", the name shown as it stands (its "&" doubled, control
// characters as blanks).
std::wstring BookmarkItemText(int number, const std::wstring& name);

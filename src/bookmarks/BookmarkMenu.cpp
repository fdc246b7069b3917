// The Bookmarks menu's items from the bookmark and favourites keys.
#include "bookmarks/BookmarkMenu.h"

#include "base/Strings.h"
#include "registry/EzReg.h"

#include "resource.h"

#include <memory>

std::wstring BookmarkItemText(int number, const std::wstring& name)
{
    std::wstring text = L"&" + std::to_wstring(number) + L" ";
    for (wchar_t c : name)
    {
        if (c == L'&')
            text += L"&&";
        else if (c < 32)
            text += L' '; // a tab would start the item's key text
        else
            text += c;
    }
    return text;
}

bool AddBookmarkItem(HMENU menu, BookmarkMenuState& state, const std::wstring& text,
                     const std::wstring& location)
{
    if (state.nextId >= kBookmarkIdLimit)
    {
        if (state.status)
            state.status(
                zv::Format(zv::LoadResString(IDS_BOOKMARK_LIMIT).c_str(), text.c_str(), kMaxBookmarkItems));
        return false;
    }
    size_t index = state.nextId - kBookmarkIndexBase;
    if (state.paths.size() <= index)
        state.paths.resize(index + 10);
    state.paths[index] = location;
    bool added = AppendMenuW(menu, MF_STRING, state.nextId, text.c_str()) != FALSE;
    ++state.nextId;
    return added;
}

int BuildBookmarkMenu(HMENU menu, const std::wstring& keyPath, BookmarkMenuState& state, bool addOrganize,
                      UINT titleId, int depth)
{
    if (depth > kMaxBookmarkDepth)
        return 0;
    std::wstring title = titleId ? zv::LoadResString(titleId) : std::wstring();
    if (!title.empty())
    {
        HMENU popup = CreatePopupMenu();
        if (!popup)
            return 0;
        if (BuildBookmarkMenu(popup, keyPath, state, true, 0, depth) == 0)
        {
            DestroyMenu(popup);
            return 0;
        }
        if (AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), title.c_str()))
            return 1;
        DestroyMenu(popup);
        return 0;
    }

    int count = 0;
    // On the heap: a reader's buffers are large, and folders nest.
    auto reader = std::make_unique<CEzReg>(keyPath);
    CEzReg& key = *reader;
    // Sub-keys first (folders), then the values; both share the numbering.
    std::vector<std::wstring> folders;
    if (key.FirstSubKey())
        do
            folders.emplace_back(key.SubKeyName);
        while (key.NextSubKey());
    for (const std::wstring& folder : folders)
    {
        HMENU popup = CreatePopupMenu();
        if (!popup)
            continue;
        if (BuildBookmarkMenu(popup, zv::Format(L"%s\\%s", keyPath.c_str(), folder.c_str()), state, true, 0,
                              depth + 1) == 0)
        {
            DestroyMenu(popup);
            continue;
        }
        if (AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                        BookmarkItemText(count, folder).c_str()))
            ++count;
        else
            DestroyMenu(popup);
    }
    if (key.FirstValue())
        do
        {
            if (key.ValueType != REG_SZ || !key.ValueName[0])
                continue;
            const std::wstring& location = key.DataText();
            if (location.empty())
                continue;
            if (AddBookmarkItem(menu, state, BookmarkItemText(count, key.ValueName), location))
                ++count;
        } while (key.NextValue());
    if (count && addOrganize)
    {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        if (AddBookmarkItem(menu, state, zv::LoadResString(IDS_ORGANIZE), keyPath))
            ++count;
    }
    return count;
}

void RebuildBookmarkMenu(HMENU menu, UINT anchorId, BookmarkMenuState& state,
                         const std::wstring& favoritesKey, const std::wstring& bookmarksKey)
{
    state.paths.clear();
    int anchor = -1;
    int items = GetMenuItemCount(menu);
    for (int i = 0; i < items; ++i)
        if (GetMenuItemID(menu, i) == anchorId)
            anchor = i;
    if (anchor < 0)
        return;
    while (GetMenuItemCount(menu) > anchor + 1)
        DeleteMenu(menu, static_cast<UINT>(anchor + 1), MF_BYPOSITION); // submenus go with their items
    state.nextId = kFirstBookmarkId;
    int favorites = BuildBookmarkMenu(menu, favoritesKey, state, true, IDS_FAVORITES_TITLE);
    int bookmarks = BuildBookmarkMenu(menu, bookmarksKey, state, false, 0);
    if (favorites + bookmarks)
        InsertMenuW(menu, static_cast<UINT>(anchor + 1), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}

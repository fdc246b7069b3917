// What the menus show against what the program does: every shortcut a menu
// item names runs that item's command through an accelerator table (keys
// the panes handle themselves, Del and F1, aside), and no context menu shows
// one shortcut for two entries.
#include "app/framework/FrameworkIds.h"
#include "base/Handles.h"
#include "base/Strings.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace
{
struct Item
{
    UINT id;
    std::wstring text;
};

void Collect(HMENU menu, std::vector<Item>& items)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
    {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {sizeof(info)};
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        if (info.hSubMenu)
            Collect(info.hSubMenu, items);
        else if (!(info.fType & MFT_SEPARATOR))
            items.push_back({info.wID, text});
    }
}

std::vector<Item> MenuItems(UINT menuId)
{
    std::vector<Item> items;
    zv::unique_hmenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId)));
    if (menu)
        Collect(menu.get(), items);
    return items;
}

std::vector<std::wstring> Shortcuts(const std::wstring& text)
{
    std::vector<std::wstring> parts;
    for (size_t at = 0; at <= text.size();)
    {
        size_t comma = text.find(L", ", at);
        parts.push_back(text.substr(at, comma == std::wstring::npos ? std::wstring::npos : comma - at));
        if (comma == std::wstring::npos)
            break;
        at = comma + 2;
    }
    return parts;
}

// The key combination a shortcut text names: virtual key and FCONTROL/FSHIFT/FALT.
bool KeyOf(std::wstring shortcut, WORD& key, BYTE& modifiers)
{
    modifiers = 0;
    const struct
    {
        const wchar_t* prefix;
        BYTE flag;
    } kModifiers[] = {{L"Ctrl+", FCONTROL}, {L"Shift+", FSHIFT}, {L"Alt+", FALT}};
    for (bool found = true; found;)
    {
        found = false;
        for (const auto& m : kModifiers)
            if (shortcut.rfind(m.prefix, 0) == 0)
            {
                modifiers |= m.flag;
                shortcut.erase(0, wcslen(m.prefix));
                found = true;
            }
    }
    const std::map<std::wstring, WORD> kNames = {
        {L"Left", VK_LEFT},   {L"Right", VK_RIGHT},  {L"Up", VK_UP},
        {L"Down", VK_DOWN},   {L"Enter", VK_RETURN}, {L"Tab", VK_TAB},
        {L"Backsp", VK_BACK}, {L"Ins", VK_INSERT},   {L"Del", VK_DELETE}};
    if (auto named = kNames.find(shortcut); named != kNames.end())
        key = named->second;
    else if (shortcut.size() == 1 && shortcut[0] >= L'A' && shortcut[0] <= L'Z')
        key = shortcut[0];
    else if (shortcut.size() >= 2 && shortcut[0] == L'F')
        key = static_cast<WORD>(VK_F1 + _wtoi(shortcut.c_str() + 1) - 1);
    else
        return false;
    return true;
}
} // namespace

TEST(MenuTexts, EveryShortcutShownRunsItsItemAndNoContextMenuShowsOneTwice)
{
    std::vector<ACCEL> accelerators;
    for (UINT table : {IDR_MAINFRAME, IDR_CLIPBOARD_KEYS, IDR_PANE_KEYS})
    {
        HACCEL handle = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(table));
        ASSERT_NE(handle, nullptr);
        int count = CopyAcceleratorTableW(handle, nullptr, 0);
        std::vector<ACCEL> entries(static_cast<size_t>(count));
        CopyAcceleratorTableW(handle, entries.data(), count);
        accelerators.insert(accelerators.end(), entries.begin(), entries.end());
        DestroyAcceleratorTable(handle);
    }
    for (UINT menu : {IDR_MAINFRAME, IDR_TREE_MENU, IDR_VALUE_MENU})
    {
        std::vector<Item> items = MenuItems(menu);
        ASSERT_FALSE(items.empty());
        std::map<std::wstring, std::wstring> shownBy;
        for (const Item& item : items)
        {
            size_t tab = item.text.find(L'\t');
            if (tab == std::wstring::npos)
                continue;
            std::wstring shortcuts = item.text.substr(tab + 1);
            for (std::wstring shortcut : Shortcuts(shortcuts))
            {
                if (menu != IDR_MAINFRAME)
                {
                    EXPECT_TRUE(shownBy.emplace(shortcut, item.text).second)
                        << zv::ToUtf8(shortcut) << " shown by " << zv::ToUtf8(shownBy[shortcut]) << " and "
                        << zv::ToUtf8(item.text);
                }
                // Del and F1 come to the panes and the frame as keys.
                if (shortcut == L"Del" || shortcut == L"F1")
                    continue;
                WORD key = 0;
                BYTE modifiers = 0;
                ASSERT_TRUE(KeyOf(shortcut, key, modifiers)) << zv::ToUtf8(shortcut);
                bool runs = false;
                for (const ACCEL& a : accelerators)
                    if (a.key == key && (a.fVirt & (FCONTROL | FSHIFT | FALT)) == modifiers &&
                        a.cmd == item.id)
                        runs = true;
                EXPECT_TRUE(runs) << zv::ToUtf8(item.text) << ": no accelerator " << zv::ToUtf8(shortcut)
                                  << " for command " << item.id;
            }
        }
    }
    // What users asked for by name.
    auto has = [](UINT menu, UINT id, const std::wstring& text) {
        for (const Item& item : MenuItems(menu))
            if (item.id == id && item.text == text)
                return true;
        return false;
    };
    EXPECT_TRUE(has(IDR_MAINFRAME, ID_NEW_BOOKMARK, L"&Create\tCtrl+B"));
    EXPECT_TRUE(has(IDR_MAINFRAME, ID_HELP_FINDER, L"&Help Topics\tF1"));
    EXPECT_TRUE(has(IDR_MAINFRAME, ID_RIGHT_PANE, L"&Right Pane\tAlt+Right"));
    EXPECT_TRUE(has(IDR_TREE_MENU, ID_RENAME, L"Re&name\tF2"));
    EXPECT_TRUE(has(IDR_TREE_MENU, ID_NEW_BOOKMARK, L"New &Bookmark...\tCtrl+B"));
    EXPECT_TRUE(has(IDR_TREE_MENU, ID_COPY_KEY_NAME, L"Key &Name"));
    EXPECT_TRUE(has(IDR_VALUE_MENU, ID_COPY_VALUE_DATA, L"Value &Data"));
}

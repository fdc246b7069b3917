// The Bookmarks menu built from keys of a sandbox: the bare menu, the
// favourites submenu and the numbering of ids, what is left out, the limit
// of 200 items, names shown literally, a link loop among the folders, and
// storing bookmarks without replacing another location's.
#include "base/Strings.h"
#include "bookmarks/BookmarkMenu.h"
#include "operations/BookmarkStore.h"
#include "support/RegistrySandbox.h"
#include "support/TreeFixtures.h"

#include "resource.h"

#include <gtest/gtest.h>

namespace
{
// The Bookmarks menu as the resource has it.
struct BareMenu
{
    HMENU menu = CreatePopupMenu();
    BareMenu()
    {
        AppendMenuW(menu, MF_STRING, ID_NEW_BOOKMARK, L"&Create");
        AppendMenuW(menu, MF_STRING, ID_ORGANIZE_BOOKMARKS, L"&Organize");
    }
    ~BareMenu() { DestroyMenu(menu); }
};

// "text=id" for each item (">" before a submenu's items, "<" after, "-" for
// a separator).
std::wstring Describe(HMENU menu)
{
    std::wstring out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
    {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        if (!out.empty())
            out += L"|";
        if (info.fType & MFT_SEPARATOR)
            out += L"-";
        else if (info.hSubMenu)
            out += std::wstring(text) + L">" + Describe(info.hSubMenu) + L"<";
        else
            out += std::wstring(text) + L"=" + std::to_wstring(info.wID);
    }
    return out;
}
} // namespace

TEST(BookmarkMenu, EmptyKeysLeaveTheBareMenuWithoutASeparator)
{
    RegistrySandbox box;
    box.CreateKey(L"Favorites");
    BareMenu bare;
    BookmarkMenuState state;
    RebuildBookmarkMenu(bare.menu, ID_ORGANIZE_BOOKMARKS, state, box.PathOf(L"Favorites"),
                        box.PathOf(L"Missing"));
    EXPECT_EQ(Describe(bare.menu), L"&Create=32856|&Organize=32855");

    // Favourites alone get the separator too.
    box.SetString(L"Favorites", L"Only", L"CURRENT_USER");
    RebuildBookmarkMenu(bare.menu, ID_ORGANIZE_BOOKMARKS, state, box.PathOf(L"Favorites"),
                        box.PathOf(L"Missing"));
    EXPECT_EQ(Describe(bare.menu),
              L"&Create=32856|&Organize=32855|-|&RegEdit Favorites>&0 Only=1125|-|&Organize=1126<");
}

TEST(BookmarkMenu, FavoritesFolderAndBookmarksTakeIdsInMenuOrder)
{
    RegistrySandbox box;
    box.SetString(L"Favorites", L"Software", L"Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE");
    box.SetString(L"Favorites", L"Run", L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    box.SetString(L"Ours\\Folder", L"In folder", L"CURRENT_USER\\Software");
    // Nothing usable: a folder that does not appear.
    box.SetDword(L"Ours\\Hollow", L"number", 1);
    box.SetString(L"Ours\\Hollow", L"", L"CURRENT_USER");
    box.SetString(L"Ours\\Hollow", L"empty data", L"");
    box.SetString(L"Ours\\Hollow", L"expandable", L"CURRENT_USER", REG_EXPAND_SZ);
    box.SetString(L"Ours", L"R&D\tlab", L"LOCAL_MACHINE\\SOFTWARE\tProgramFilesDir");

    BareMenu bare;
    // Items already after the anchor (an earlier showing) go first.
    AppendMenuW(bare.menu, MF_STRING, 1200, L"stale");
    BookmarkMenuState state;
    RebuildBookmarkMenu(bare.menu, ID_ORGANIZE_BOOKMARKS, state, box.PathOf(L"Favorites"),
                        box.PathOf(L"Ours"));
    EXPECT_EQ(Describe(bare.menu), L"&Create=32856|&Organize=32855|-|"
                                   L"&RegEdit Favorites>&0 Run=1125|&1 Software=1126|-|&Organize=1127<|"
                                   L"&0 Folder>&0 In folder=1128|-|&Organize=1129<|"
                                   L"&1 R&&D lab=1130");
    ASSERT_GE(state.paths.size(), 1131u - kBookmarkIndexBase);
    EXPECT_EQ(state.paths[1125 - kBookmarkIndexBase],
              L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(state.paths[1127 - kBookmarkIndexBase], box.PathOf(L"Favorites"));
    EXPECT_EQ(state.paths[1129 - kBookmarkIndexBase], box.PathOf(L"Ours") + L"\\Folder");
    EXPECT_EQ(state.paths[1130 - kBookmarkIndexBase], L"LOCAL_MACHINE\\SOFTWARE\tProgramFilesDir");
    EXPECT_TRUE(state.paths[0].empty());
}

TEST(BookmarkMenu, BeyondTwoHundredItemsEachFurtherOneIsReported)
{
    RegistrySandbox box;
    for (int i = 0; i < 250; ++i)
        box.SetString(L"Ours", zv::Format(L"B%03d", i), L"CURRENT_USER");
    BareMenu bare;
    BookmarkMenuState state;
    std::vector<std::wstring> told;
    state.status = [&](const std::wstring& text) { told.push_back(text); };
    RebuildBookmarkMenu(bare.menu, ID_ORGANIZE_BOOKMARKS, state, box.PathOf(L"None"), box.PathOf(L"Ours"));
    ASSERT_EQ(GetMenuItemCount(bare.menu), 3 + 200);
    EXPECT_EQ(GetMenuItemID(bare.menu, 3), 1125u);
    EXPECT_EQ(GetMenuItemID(bare.menu, 202), 1324u);
    ASSERT_EQ(told.size(), 50u);
    EXPECT_EQ(told[0], L"Bookmark &200 B200 ignored: you can have up to 200 bookmarks ");
}

TEST(BookmarkMenu, AFolderLinkedToItsOwnParentEndsAtTheDepthLimit)
{
    RegistrySandbox box;
    box.SetString(L"Ours", L"Here", L"CURRENT_USER");
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Ours\\Loop").c_str(), 0, nullptr,
                              REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr),
              0);
    std::wstring target = L"\\Registry\\User\\" + CurrentUserSid() + L"\\" + box.SubKey() + L"\\Ours";
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    BareMenu bare;
    BookmarkMenuState state;
    RebuildBookmarkMenu(bare.menu, ID_ORGANIZE_BOOKMARKS, state, box.PathOf(L"None"), box.PathOf(L"Ours"));
    EXPECT_GT(GetMenuItemCount(bare.menu), 3);
    EXPECT_LE(state.nextId, kBookmarkIdLimit);
}

TEST(BookmarkStore, NamesProposedAndBookmarksOfOtherLocationsKept)
{
    EXPECT_EQ(ProposedBookmarkName(L"CURRENT_USER\\Software\\Foo"), L"Foo");
    EXPECT_EQ(ProposedBookmarkName(L"CURRENT_USER\\Software\\Foo\tBar"), L"Bar");
    EXPECT_EQ(ProposedBookmarkName(L"CURRENT_USER\\Software\\Foo\t"), L"Foo");
    EXPECT_EQ(ProposedBookmarkName(L"CURRENT_USER"), L"CURRENT_USER");

    RegistrySandbox box;
    std::wstring folder = BookmarkFolderKey({L"A", L"B"}, box.Path());
    EXPECT_EQ(folder, box.Path() + L"\\A\\B");
    std::wstring stored;
    ASSERT_EQ(StoreBookmark(folder, L"Foo", L"CURRENT_USER\\One", &stored), BookmarkStoreResult::Stored);
    EXPECT_EQ(stored, L"Foo");
    ASSERT_EQ(StoreBookmark(folder, L"Foo", L"CURRENT_USER\\Two", &stored), BookmarkStoreResult::Stored);
    EXPECT_EQ(stored, L"Foo_");
    ASSERT_EQ(StoreBookmark(folder, L"Foo", L"CURRENT_USER\\Three", &stored), BookmarkStoreResult::Stored);
    EXPECT_EQ(stored, L"Foo__");
    // The same location again (in any case) writes over its own bookmark.
    ASSERT_EQ(StoreBookmark(folder, L"Foo", L"current_user\\two", &stored), BookmarkStoreResult::Stored);
    EXPECT_EQ(stored, L"Foo_");
    EXPECT_EQ(box.ValueNames(L"A\\B").size(), 3u);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"A\\B", L"Foo_", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, StringBytes(L"current_user\\two"));

    // A folder the registry cannot hold (a name over 255 characters).
    EXPECT_EQ(StoreBookmark(BookmarkFolderKey({std::wstring(300, L'f')}, box.Path()), L"X", L"CURRENT_USER"),
              BookmarkStoreResult::FolderFailed);
}

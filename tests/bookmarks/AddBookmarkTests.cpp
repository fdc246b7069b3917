// The Add Bookmark dialog as a user drives it: the proposed name, folders
// made with Add Submenu and renamed in place, the folder chosen, an empty
// name refused; and New Bookmark (Ctrl+B) from the tree and the value list
// of the running window, down to the Bookmarks menu going to the location.
#include "base/Strings.h"
#include "app/NameDlg.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"

#include "resource.h"

#include <gtest/gtest.h>

namespace
{
std::wstring Text(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ItemText(HWND tree, HTREEITEM item)
{
    wchar_t text[256] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = 256;
    TreeView_GetItem(tree, &tv);
    return text;
}

// Types text into the tree's open label edit and ends the edit.
void FinishLabel(HWND tree, const wchar_t* text)
{
    HWND edit = TreeView_GetEditControl(tree);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, text);
    TreeView_EndEditLabelNow(tree, FALSE);
}

// Removes what the running program stored under the real bookmark key.
struct BookmarkKeyCleanup
{
    ~BookmarkKeyCleanup()
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quenmar Consulting\\Zorvane\\Bookmarks");
    }
};
} // namespace

TEST(AddBookmark, FoldersAreMadeRenamedAndChosenAndTheNameIsProposed)
{
    RegistrySandbox box;
    box.CreateKey(L"Marks\\Existing\\Inner");
    ScriptedPrompts user;
    CNameDlg dialog;
    dialog.BookmarksKey = box.PathOf(L"Marks");
    dialog.Location = L"CURRENT_USER\\Software\\Foo\tBar";
    std::wstring proposed, shownLocation;
    std::vector<std::wstring> firstLevel;
    bool rootEditable = true, slashTaken = true;
    user.onDialog = [&](UINT id, HWND window) {
        if (id != IDD_ADD_BOOKMARK)
            return;
        ShowWindow(window, SW_SHOW);
        proposed = Text(GetDlgItem(window, IDC_BOOKMARK_NAME));
        shownLocation = Text(GetDlgItem(window, IDC_BOOKMARK_LOCATION));
        HWND tree = GetDlgItem(window, IDC_BOOKMARK_FOLDERS);
        rootEditable = TreeView_EditLabel(tree, dialog.RootItem) != nullptr;

        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_BOOKMARK_ADD_FOLDER, BN_CLICKED), 0);
        FinishLabel(tree, L"Work");
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_BOOKMARK_ADD_FOLDER, BN_CLICKED), 0);
        FinishLabel(tree, L"Bad\\Name"); // refused: stays "More Bookmarks"
        slashTaken = ItemText(tree, TreeView_GetSelection(tree)) != L"More Bookmarks";
        for (HTREEITEM item = TreeView_GetChild(tree, dialog.RootItem); item;
             item = TreeView_GetNextSibling(tree, item))
            firstLevel.push_back(ItemText(tree, item));
        // The bookmark goes into "Work".
        HTREEITEM work = TreeView_GetNextSibling(tree, TreeView_GetChild(tree, dialog.RootItem));
        TreeView_SelectItem(tree, work);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(proposed, L"Bar");
    EXPECT_EQ(shownLocation, L"CURRENT_USER\\Software\\Foo\tBar");
    EXPECT_FALSE(rootEditable) << "the root stands for the bookmark key itself";
    EXPECT_FALSE(slashTaken);
    EXPECT_EQ(firstLevel, (std::vector<std::wstring>{L"Existing", L"Work", L"More Bookmarks"}));
    EXPECT_EQ(box.SubKeys(L"Marks").size(), 3u);
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"Marks\\Work", L"Bar", type, data));
    EXPECT_EQ(data, StringBytes(L"CURRENT_USER\\Software\\Foo\tBar"));
}

TEST(AddBookmark, AnEmptyNameIsRefusedAndTheDialogStays)
{
    RegistrySandbox box;
    ScriptedPrompts user;
    user.Answer(IDOK);
    CNameDlg dialog;
    dialog.BookmarksKey = box.PathOf(L"Marks");
    dialog.Location = box.PathOf(L"Key");
    int oks = 0;
    user.onDialog = [&](UINT id, HWND window) {
        if (id != IDD_ADD_BOOKMARK)
            return;
        SetDlgItemTextW(window, IDC_BOOKMARK_NAME, L"");
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        ++oks;
    };
    // The first OK is refused with a message; a second dialog round is
    // driven by Cancel from the message's answer onwards.
    user.onBox = [&](const RecordedBox&) {
        HWND window = FindWindowW(nullptr, L"Add Bookmark");
        SetDlgItemTextW(window, IDC_BOOKMARK_NAME, L"Named");
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text, L"Please enter a name for the bookmark.");
    EXPECT_EQ(box.ValueNames(L"Marks"), (std::vector<std::wstring>{L"Named"}));
}

TEST(AddBookmark, CtrlBInTheTreeAndTheListStoresAndTheMenuGoesThere)
{
    BookmarkKeyCleanup cleanup;
    RegistrySandbox box;
    box.SetString(L"Place", L"first", L"1");
    box.SetString(L"Place", L"second", L"2");
    ScriptedPrompts user;
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Place").c_str(), true);
    f.SettleWorkers();

    // The tree: the selected key, under the name proposed for it.
    std::vector<std::wstring> locations, names;
    user.onDialog = [&](UINT id, HWND window) {
        if (id != IDD_ADD_BOOKMARK)
            return;
        locations.push_back(Text(GetDlgItem(window, IDC_BOOKMARK_LOCATION)));
        names.push_back(Text(GetDlgItem(window, IDC_BOOKMARK_NAME)));
        PostMessageW(window, WM_COMMAND, locations.size() == 3 ? IDCANCEL : IDOK, 0);
    };
    f.frame->FocusPane(Pane::Tree);
    f.PressKey('B', true);
    ASSERT_EQ(locations.size(), 1u);
    EXPECT_EQ(locations[0], box.PathOf(L"Place"));
    EXPECT_EQ(names[0], L"Place");

    // The list: each selected value in turn; the second dialog starts with
    // the name given to the first, and Cancel ends the run.
    CNavroView& list = f.Values();
    f.frame->FocusPane(Pane::Values);
    list.SelectItem(list.FindItem(L"first", 0));
    ListView_SetItemState(list.m_hWnd, list.FindItem(L"second", 0), LVIS_SELECTED, LVIS_SELECTED);
    f.PressKey('B', true);
    ASSERT_EQ(locations.size(), 3u);
    EXPECT_EQ(locations[1], box.PathOf(L"Place") + L"\tfirst");
    EXPECT_EQ(names[1], L"first");
    EXPECT_EQ(locations[2], box.PathOf(L"Place") + L"\tsecond");
    EXPECT_EQ(names[2], L"first");

    // The Bookmarks menu, as shown, holds both; choosing one goes there.
    HMENU bar = GetMenu(f.frame->m_hWnd);
    HMENU bookmarks = nullptr;
    for (int i = 0; i < GetMenuItemCount(bar); ++i)
    {
        wchar_t text[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        if (std::wstring(text) == L"&Bookmarks")
            bookmarks = GetSubMenu(bar, i);
    }
    ASSERT_NE(bookmarks, nullptr);
    SendMessageW(f.frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(bookmarks), 0);
    int first = -1, place = -1;
    for (int i = 0; i < GetMenuItemCount(bookmarks); ++i)
    {
        wchar_t text[256] = {};
        GetMenuStringW(bookmarks, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        // "&<n> <name>", numbered in the key's enumeration order.
        std::wstring shown = text;
        if (shown.size() > 3 && shown.substr(3) == L"Place")
            place = i;
        if (shown.size() > 3 && shown.substr(3) == L"first")
            first = i;
    }
    ASSERT_GE(place, 0);
    ASSERT_GE(first, 0);
    f.doc->GoTo(nullptr, L"CURRENT_USER", true);
    SendMessageW(f.frame->m_hWnd, WM_COMMAND, GetMenuItemID(bookmarks, first), 0);
    f.SettleWorkers();
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Place"));
    EXPECT_TRUE(f.doc->ValueSelected);
    EXPECT_EQ(f.doc->ValueName, L"first");
}

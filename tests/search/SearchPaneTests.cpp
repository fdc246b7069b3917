// The search pane as a user drives it: the Find dialog's start key and kept
// options, rows arriving whole, activation, cancel and a new search at once,
// Find disabled while a search runs, and closing the window mid-search.
#include "app/Hints.h"
#include "base/Log.h"
#include "base/Strings.h"
#include "app/RegistryACList.h"
#include "search/FindDlg.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include "resource.h"

#include <gtest/gtest.h>

namespace
{
bool Enabled(FrameFixture& f, UINT id)
{
    CCmdUI ui(id);
    f.frame->UpdateCommandUI(ui);
    return ui.m_enabled;
}

CSearchPaneView& SearchPane(FrameFixture& f)
{
    if (!f.frame->SearchPane())
        f.frame->SendMessage(WM_COMMAND, ID_TOGGLE_SEARCH_PANE, 0);
    return *f.frame->SearchPane();
}

SearchSettings Look(const std::wstring& root, const std::wstring& text)
{
    SearchSettings settings;
    settings.root = root;
    settings.pattern = text;
    return settings;
}

bool Finished(FrameFixture& f, CSearchPaneView& pane, unsigned before)
{
    return f.PumpUntil([&] { return pane.FinishedRuns() > before && !pane.IsSearching(); }, 60000);
}

std::wstring StatusText(FrameFixture& f)
{
    return f.StatusText();
}

void SetText(HWND dialog, int id, const wchar_t* text)
{
    HWND control = GetDlgItem(dialog, id);
    // The start-key box is an extended combo box: its text is its edit's.
    if (HWND edit = reinterpret_cast<HWND>(SendMessageW(control, CBEM_GETEDITCONTROL, 0, 0)))
        control = edit;
    SetWindowTextW(control, text);
}
} // namespace

TEST(FindDialog, StartKeySpellingsAndTheQuestionForABadOne)
{
    std::wstring path;
    ASSERT_TRUE(ResolveStartKey(L"hkcu\\software", path));
    EXPECT_EQ(path, L"CURRENT_USER\\software");
    EXPECT_FALSE(ResolveStartKey(L"HKCU\\Software\\NoSuchKeyHere", path));
    EXPECT_FALSE(ResolveStartKey(L"not a path", path));

    ScriptedPrompts user;
    // OK with a bad key: the question; No keeps the dialog, Yes searches CURRENT_USER.
    user.Answer(IDNO);
    user.Answer(IDYES);
    int oks = 0;
    user.onDialog = [&](UINT id, HWND dialog) {
        if (id != IDD_FIND)
            return;
        SetText(dialog, IDC_FIND_TEXT, L"needle");
        SetText(dialog, IDC_FIND_UNDER, L"HKCU\\NoSuchKeyHere");
        // Two OKs: the first is kept from closing by No.
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        ++oks;
    };
    CFindDlg dialog;
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.SearchUnder, L"CURRENT_USER");
    EXPECT_EQ(dialog.FindText, L"needle");
    ASSERT_EQ(user.Boxes().size(), 2u);
    EXPECT_EQ(user.Boxes()[0].text,
              L"HKCU\\NoSuchKeyHere\ndoes not represent a valid Registry Key. Would you like to search under "
              L"CURRENT_USER?");

    // "All registry keys" gives an empty start key.
    user.onDialog = [&](UINT id, HWND dialog) {
        if (id == IDD_FIND)
        {
            SetText(dialog, IDC_FIND_UNDER, L"All registry keys");
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
    };
    CFindDlg all;
    ASSERT_EQ(all.DoModal(), IDOK);
    EXPECT_TRUE(all.SearchUnder.empty());
}

TEST(FindDialog, StartKeyBoxShowsRootIconsAndEnterOnSuggestionsKeepsTheDialog)
{
    RegistrySandbox box;
    box.CreateKey(L"Suggested");
    ScriptedPrompts user;
    CFindDlg dialog;
    dialog.SearchUnder = box.Path();
    std::vector<std::wstring> texts;
    std::vector<int> images;
    bool shown = false, stayed = false, onScreen = false;
    std::wstring taken, shownText;
    user.onDialog = [&](UINT id, HWND window) {
        if (id != IDD_FIND)
            return;
        HWND keys = GetDlgItem(window, IDC_FIND_UNDER);
        int count = static_cast<int>(SendMessageW(keys, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
        {
            wchar_t text[512] = {};
            COMBOBOXEXITEMW item = {};
            item.mask = CBEIF_TEXT | CBEIF_IMAGE;
            item.iItem = i;
            item.pszText = text;
            item.cchTextMax = 512;
            SendMessageW(keys, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            texts.push_back(text);
            images.push_back(item.iImage);
        }
        // Typing part of a key's path brings suggestions; Enter then picks
        // one instead of closing the dialog.
        HWND edit = dialog.StartKeyEdit();
        wchar_t first[512] = {};
        GetWindowTextW(edit, first, 512);
        shownText = first;
        // Over the main window's place, not partly outside the screen.
        RECT rect = {};
        GetWindowRect(window, &rect);
        onScreen = rect.left >= 0 && rect.top >= 0 && rect.right <= GetSystemMetrics(SM_CXSCREEN) &&
                   rect.bottom <= GetSystemMetrics(SM_CYSCREEN);
        ShowWindow(window, SW_SHOW); // an ended dialog hides at once
        SetFocus(edit);
        SetWindowTextW(edit, L"");
        for (wchar_t c : box.Path() + L"\\Sugg")
            SendMessageW(edit, WM_CHAR, c, 1);
        shown = IsAutoCompleteListShown(dialog.StartKeyCompletion(), edit);
        SendMessageW(window, WM_COMMAND, IDOK, 0);
        stayed = IsWindow(window) && IsWindowVisible(window);
        wchar_t text[512] = {};
        GetWindowTextW(edit, text, 512);
        taken = text;
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    };
    ASSERT_EQ(dialog.DoModal(), IDOK);
    ASSERT_GE(texts.size(), 7u);
    // The key handed in first (the box shows it), the whole registry below it.
    EXPECT_EQ(std::vector<std::wstring>(texts.begin(), texts.begin() + 7),
              (std::vector<std::wstring>{box.Path(), L"All registry keys", L"CURRENT_USER", L"USERS",
                                         L"LOCAL_MACHINE", L"CLASSES_ROOT", L"CURRENT_CONFIG"}));
    EXPECT_EQ(std::vector<int>(images.begin(), images.begin() + 7), (std::vector<int>{5, 7, 2, 4, 3, 0, 1}));
    EXPECT_EQ(shownText, box.Path());
    EXPECT_TRUE(onScreen);
    EXPECT_TRUE(shown) << "suggestions for a typed key path";
    EXPECT_TRUE(stayed) << "Enter on the suggestions keeps the dialog";
    EXPECT_EQ(taken.rfind(box.Path() + L"\\Sugg", 0), 0u) << zv::ToUtf8(taken);
    EXPECT_EQ(dialog.SearchUnder, box.PathOf(L"Suggested"));
}

TEST(FindDialog, CancelGivesTheFocusBackToThePaneThatHadIt)
{
    ScriptedPrompts user;
    FrameFixture f;
    for (HWND pane : {f.Tree().m_hWnd, f.Values().m_hWnd})
    {
        SetFocus(pane);
        ASSERT_EQ(GetFocus(), pane);
        user.onDialog = [&](UINT, HWND dialog) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        };
        f.frame->SendMessage(WM_COMMAND, ID_FIND, 0);
        EXPECT_EQ(GetFocus(), pane);
    }
}

TEST(FindDialog, OptionsAreKeptAfterOkAndNotAfterCancel)
{
    ScriptedPrompts user;
    auto set = [&](bool binary, bool keys, UINT button) {
        user.onDialog = [=](UINT id, HWND dialog) {
            if (id != IDD_FIND)
                return;
            CheckDlgButton(dialog, IDC_FIND_BINARY, binary ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(dialog, IDC_FIND_KEYS, keys ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(dialog, IDC_FIND_CASE, BST_CHECKED);
            SetText(dialog, IDC_FIND_UNDER, L"CURRENT_USER");
            PostMessageW(dialog, WM_COMMAND, button, 0);
        };
        CFindDlg dialog;
        dialog.DoModal();
    };
    set(true, false, IDOK);
    CFindDlg kept;
    EXPECT_TRUE(kept.LookAtBinary);
    EXPECT_FALSE(kept.LookAtKeys);
    EXPECT_TRUE(kept.MatchCase);
    set(false, true, IDCANCEL);
    CFindDlg unchanged;
    EXPECT_TRUE(unchanged.LookAtBinary);
    EXPECT_FALSE(unchanged.LookAtKeys);
    // Back to the defaults for the other tests.
    set(false, true, IDOK);
    CFindDlg restored;
    restored.MatchCase = false;
    restored.SaveFlags();
}

TEST(SearchPane, FindsActivatesAndReportsAndFindIsDisabledMeanwhile)
{
    RegistrySandbox box;
    box.SetString(L"Where", L"needle value", L"x");
    box.CreateKey(L"Where\\Needle key");
    ScriptedPrompts user;
    FrameFixture f;
    CSearchPaneView& pane = SearchPane(f);
    EXPECT_EQ(pane.ItemCount(), 3) << "the command rows";
    unsigned before = pane.FinishedRuns();
    ASSERT_TRUE(pane.StartSearchWith(Look(box.Path(), L"NEEDLE")));
    EXPECT_FALSE(Enabled(f, ID_FIND));
    ASSERT_TRUE(Finished(f, pane, before));
    EXPECT_TRUE(Enabled(f, ID_FIND));
    EXPECT_FALSE(Enabled(f, ID_CANCEL_SEARCH));
    ASSERT_EQ(pane.ItemCount(), 2);
    EXPECT_EQ(pane.ItemText(0, 0), L"needle value");
    EXPECT_EQ(pane.GetItemParentPath(0), box.PathOf(L"Where"));
    EXPECT_EQ(pane.ItemText(1, 0), L"Needle key");
    EXPECT_EQ(pane.GetItemKind(1), CNavroView::kKeyRow);
    EXPECT_EQ(pane.LastTotals().matches, 2u);
    EXPECT_EQ(StatusText(f).rfind(L"Found 2 matches in ", 0), 0u) << zv::ToUtf8(StatusText(f));

    // Another program changes the registry: a hint drops the rows of what
    // is gone and updates the rest.
    box.SetString(L"Where", L"needle value", L"changed");
    RegDeleteKeyW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Where\\Needle key").c_str());
    f.doc->UpdateAllViews(nullptr, kHintRegistryChanged, nullptr);
    ASSERT_EQ(pane.ItemCount(), 1);
    EXPECT_EQ(pane.ItemText(0, pane.DataColumn), L"changed");
    // The value written again under another case: the row shows the name
    // as the key now stores it.
    RegDeleteKeyValueW(HKEY_CURRENT_USER, (box.SubKey() + L"\\Where").c_str(), L"needle value");
    box.SetString(L"Where", L"NEEDLE Value", L"again");
    f.doc->UpdateAllViews(nullptr, kHintRegistryChanged, nullptr);
    ASSERT_EQ(pane.ItemCount(), 1);
    EXPECT_EQ(pane.ItemText(0, 0), L"NEEDLE Value");
    EXPECT_EQ(pane.ItemText(0, pane.DataColumn), L"again");
    box.CreateKey(L"Where\\Needle key");
    before = pane.FinishedRuns();
    ASSERT_TRUE(pane.StartSearchWith(Look(box.Path(), L"NEEDLE")));
    ASSERT_TRUE(Finished(f, pane, before));
    ASSERT_EQ(pane.ItemCount(), 2);

    // A value row goes to its key; a key row to itself.
    pane.SelectItem(0);
    pane.ActivateSelectedItem();
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Where"));
    pane.SelectItem(1);
    pane.ActivateSelectedItem();
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Where\\Needle key"));
}

TEST(SearchPane, ALoggedSearchWritesEachKeyItSearchesThenItsReport)
{
    RegistrySandbox box;
    box.SetString(L"Where", L"needle value", L"x");
    box.CreateKey(L"Where\\Deeper\\Needle key");
    box.CreateKey(L"Elsewhere");
    std::wstring file = TempFilePath(L"search-log.txt");
    SetLogging(true, file);
    struct Off
    {
        ~Off() { SetLogging(false, L""); }
    } off;
    ScriptedPrompts user;
    FrameFixture f;
    CSearchPaneView& pane = SearchPane(f);
    unsigned before = pane.FinishedRuns();
    ASSERT_TRUE(pane.StartSearchWith(Look(box.Path(), L"NEEDLE")));
    ASSERT_TRUE(Finished(f, pane, before));
    std::vector<BYTE> bytes = ReadFileBytes(file);
    std::string text(bytes.begin(), bytes.end());
    std::string expected = "\nSearching...\n" + zv::ToUtf8(box.Path()) + "\n";
    for (const wchar_t* key : {L"Elsewhere", L"Where", L"Where\\Deeper", L"Where\\Deeper\\Needle key"})
        expected += zv::ToUtf8(box.PathOf(key)) + "\n";
    expected += "Found 2 matches in ";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    DeleteFileW(file.c_str());
}

TEST(SearchPane, CancelKeepsRowsAndANewSearchAtOnceShowsOnlyItsOwn)
{
    RegistrySandbox box;
    for (int i = 0; i < 3000; ++i)
        box.CreateKey(L"Wide\\first" + std::to_wstring(i));
    box.CreateKey(L"Other\\second");
    ScriptedPrompts user;
    FrameFixture f;
    CSearchPaneView& pane = SearchPane(f);
    unsigned before = pane.FinishedRuns();
    ASSERT_TRUE(pane.StartSearchWith(Look(box.PathOf(L"Wide"), L"first")));
    ASSERT_TRUE(Enabled(f, ID_CANCEL_SEARCH));
    f.frame->SendMessage(WM_COMMAND, ID_CANCEL_SEARCH, 0);
    ASSERT_TRUE(Finished(f, pane, before));
    EXPECT_TRUE(pane.LastTotals().cancelled);
    EXPECT_EQ(StatusText(f), L"Search aborted");
    int kept = pane.ItemCount();
    EXPECT_LT(kept, 3000);

    // Cancel, then a new search at once: only the new run's rows and counts,
    // though the old run handed rows over that the window has not taken yet.
    before = pane.FinishedRuns();
    ASSERT_TRUE(pane.StartSearchWith(Look(box.PathOf(L"Wide"), L"first")));
    // No messages pumped: the old run's rows wait in the pane's inbox.
    for (DWORD start = GetTickCount(); pane.WaitingResults() == 0 && GetTickCount() - start < 10000;)
        Sleep(5);
    ASSERT_GT(pane.WaitingResults(), 0u);
    pane.CancelSearch();
    ASSERT_TRUE(pane.StartSearchWith(Look(box.PathOf(L"Other"), L"second")));
    ASSERT_TRUE(Finished(f, pane, before));
    f.Pump(200);
    ASSERT_EQ(pane.ItemCount(), 1);
    EXPECT_EQ(pane.ItemText(0, 0), L"second");
    EXPECT_EQ(pane.LastTotals().matches, 1u);
    EXPECT_EQ(pane.LastTotals().keysSearched, 2u);
    EXPECT_FALSE(pane.LastTotals().cancelled);
}

TEST(SearchPane, ClosingTheWindowMidSearchNeverHangs)
{
    ScriptedPrompts user;
    for (int i = 0; i < 20; ++i)
    {
        FrameFixture f;
        CSearchPaneView& pane = SearchPane(f);
        ASSERT_TRUE(pane.StartSearchWith(Look(L"LOCAL_MACHINE", L"")));
        f.Pump(static_cast<DWORD>(i * 5));
        f.Close();
    }
}

TEST(SearchPane, InvalidClassesAreListedUnderTheirOwnRootAndDeletedFromThere)
{
    // A class of the current user's with a missing server and a program
    // identifier; the machine has a working identifier of the same name.
    const std::wstring clsid = L"{7A0C11E5-0000-4000-8000-00000000F1A5}";
    const std::wstring classes = L"Software\\Classes\\";
    auto set = [](HKEY root, const std::wstring& path, const std::wstring& text) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  0);
        RegSetValueExW(key, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    };
    set(HKEY_CURRENT_USER, classes + L"CLSID\\" + clsid + L"\\InprocServer32", L"C:\\nowhere\\zv-gone.dll");
    set(HKEY_CURRENT_USER, classes + L"CLSID\\" + clsid + L"\\ProgID", L"Zorvane.GoneFixture");
    set(HKEY_CURRENT_USER, classes + L"Zorvane.GoneFixture", L"user's");
    set(HKEY_LOCAL_MACHINE, classes + L"Zorvane.GoneFixture", L"machine's");
    struct Cleanup
    {
        ~Cleanup()
        {
            RegDeleteTreeW(HKEY_CURRENT_USER,
                           L"Software\\Classes\\CLSID\\{7A0C11E5-0000-4000-8000-00000000F1A5}");
            RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\Zorvane.GoneFixture");
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Zorvane.GoneFixture");
        }
    } cleanup;

    ScriptedPrompts user;
    FrameFixture f;
    if (f.frame->SearchPaneVisible)
        f.frame->SendMessage(WM_COMMAND, ID_TOGGLE_SEARCH_PANE, 0);
    ASSERT_FALSE(f.frame->SearchPaneVisible);
    f.frame->SendMessage(WM_COMMAND, ID_LIST_INVALID_CLSIDS, 0);
    CSearchPaneView* pane = f.frame->SearchPane();
    ASSERT_TRUE(pane && f.frame->SearchPaneVisible) << "the command shows the pane";
    ASSERT_TRUE(Finished(f, *pane, 0));
    EXPECT_EQ(StatusText(f).rfind(L"Found ", 0), 0u) << zv::ToUtf8(StatusText(f));

    int row = pane->FindItem(clsid, 0);
    ASSERT_GE(row, 0);
    EXPECT_EQ(pane->GetItemParentPath(row), L"CURRENT_USER\\Software\\Classes\\CLSID");
    EXPECT_EQ(pane->ItemText(row, pane->DataColumn), L"C:\\nowhere\\zv-gone.dll");
    ASSERT_EQ(pane->ItemText(row + 1, 0), L"Zorvane.GoneFixture");
    EXPECT_EQ(pane->GetItemParentPath(row + 1), L"CURRENT_USER\\Software\\Classes");
    EXPECT_EQ(pane->ItemText(row + 1, pane->DataColumn), clsid);

    // Deleting the identifier's row removes the user's key, never the
    // machine's registration of the same name.
    pane->SelectItem(row + 1);
    user.Answer(IDYES);
    f.frame->FocusPane(Pane::Search);
    f.frame->SendMessage(WM_COMMAND, ID_DELETE, 0);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\Zorvane.GoneFixture", 0, KEY_READ, &key),
              0);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Zorvane.GoneFixture", 0, KEY_READ, &key),
              0);
    RegCloseKey(key);
}

// The main window: layout kept across starts, pane focus and its commands,
// the accelerator tables' focus rules, the address bar and frame commands.
#include "app/Hints.h"
#include "app/framework/DpiImages.h"
#include "base/Shutdown.h"
#include "base/SettingsStore.h"
#include "base/Strings.h"
#include "frame/AddressBar.h"
#include "operations/Ownership.h"
#include "support/FrameFixture.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"
#include "registry/ChangeMonitor.h"

#include <gtest/gtest.h>

namespace
{
DWORD Stored(const wchar_t* entry)
{
    return Settings().GetProfileInt(L"MainWindow", entry, kAbsentSetting);
}

void ForgetLayout()
{
    for (const wchar_t* section : {L"MainWindow", L"Rebar", L"Bars", L"RightPane", L"SearchPane", L"GoTo"})
        Settings().DeleteProfileSection(section);
}

int Width(HWND window)
{
    RECT rc;
    GetWindowRect(window, &rc);
    return rc.right - rc.left;
}

int Height(HWND window)
{
    RECT rc;
    GetWindowRect(window, &rc);
    return rc.bottom - rc.top;
}

CCmdUI State(CMainFrame& frame, UINT id)
{
    CCmdUI ui(id);
    frame.UpdateCommandUI(ui);
    return ui;
}

void TypeAddress(FrameFixture& f, const std::wstring& text)
{
    SetWindowTextW(f.frame->AddressBar()->ComboBox()->EditControl(), text.c_str());
}
} // namespace

TEST(MainFrame, FirstStartSplitsTwoFifthsAndTwoThirds)
{
    ForgetLayout();
    FrameFixture f;
    RECT client = f.frame->GetClientRect();
    int treeWidth = Width(f.Tree().m_hWnd);
    EXPECT_NEAR(treeWidth, client.right * 2 / 5, 2);
    int upper = Height(f.Tree().m_hWnd);
    EXPECT_NEAR(upper, client.bottom * 2 / 3, 2) << "two thirds of the client height at creation";
    // Bands in toolbar-then-address order.
    REBARBANDINFOW info = {sizeof(info), RBBIM_ID};
    f.frame->Rebar().SendMessage(RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.wID, static_cast<UINT>(AFX_IDW_TOOLBAR));
    f.frame->Rebar().SendMessage(RB_GETBANDINFOW, 1, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.wID, static_cast<UINT>(IDR_ADDRESSBAR));
    ForgetLayout();
}

TEST(MainFrame, LayoutComesBackAfterARestart)
{
    ForgetLayout();
    int treeWidth = 0;
    {
        FrameFixture f;
        SetWindowPos(f.frame->m_hWnd, nullptr, 40, 30, 900, 640, SWP_NOZORDER);
        f.frame->InnerSplitter().SetColumnInfo(0, 250, 0);
        f.frame->RecalcLayout();
        f.Pump(50);
        treeWidth = Width(f.Tree().m_hWnd);
        f.Close();
    }
    EXPECT_EQ(Stored(L"SaveWindowLayoutOnExit"), 1u);
    EXPECT_EQ(Stored(L"x"), 40u);
    EXPECT_EQ(Stored(L"cx"), 900u);
    UINT dpi = WindowDpi(nullptr);
    EXPECT_EQ(Stored(L"Dpi"), dpi);
    {
        FrameFixture f;
        RECT rc = f.frame->GetWindowRect();
        EXPECT_EQ(rc.left, 40);
        EXPECT_EQ(rc.top, 30);
        EXPECT_EQ(rc.right - rc.left, 900);
        EXPECT_EQ(rc.bottom - rc.top, 640);
        EXPECT_NEAR(Width(f.Tree().m_hWnd), treeWidth, 2);
        f.Close();
    }
    // Stored on a screen of half this DPI: the window keeps its look, twice
    // the pixels; a stored DPI that is no DPI leaves the size alone.
    Settings().WriteProfileInt(L"MainWindow", L"cx", 450);
    Settings().WriteProfileInt(L"MainWindow", L"cy", 320);
    Settings().WriteProfileInt(L"MainWindow", L"Dpi", static_cast<int>(dpi / 2));
    {
        FrameFixture f;
        RECT rc = f.frame->GetWindowRect();
        EXPECT_EQ(rc.left, 40);
        EXPECT_EQ(rc.right - rc.left, 900);
        EXPECT_EQ(rc.bottom - rc.top, 640);
        f.Close();
    }
    Settings().WriteProfileInt(L"MainWindow", L"cx", 450);
    Settings().WriteProfileInt(L"MainWindow", L"cy", 320);
    Settings().WriteProfileInt(L"MainWindow", L"Dpi", 100000);
    {
        FrameFixture f;
        RECT rc = f.frame->GetWindowRect();
        EXPECT_EQ(rc.right - rc.left, 640) << "no smaller than the least window";
        f.Close();
    }
    ForgetLayout();
}

TEST(MainFrame, StoredSizesFollowTheDpiTheyWereStoredAt)
{
    EXPECT_EQ(PlacementSizeForDpi(SIZE{800, 600}, 96, 192).cx, 1600);
    EXPECT_EQ(PlacementSizeForDpi(SIZE{800, 600}, 96, 192).cy, 1200);
    EXPECT_EQ(PlacementSizeForDpi(SIZE{1600, 1200}, 192, 144).cx, 1200);
    EXPECT_EQ(PlacementSizeForDpi(SIZE{800, 600}, 96, 96).cx, 800);
    // Absent (the settings' absent mark), zero, or far out of range: as stored.
    for (DWORD stored : {DWORD{kAbsentSetting}, DWORD{0}, DWORD{23}, DWORD{961}, DWORD{0xFFFFFFFF}})
        EXPECT_EQ(PlacementSizeForDpi(SIZE{800, 600}, stored, 192).cx, 800) << stored;

    // No smaller than the least window, no larger than the screen.
    SIZE fitted = FitStoredSize(SIZE{450, 2000}, SIZE{640, 480}, SIZE{1280, 770});
    EXPECT_EQ(fitted.cx, 640);
    EXPECT_EQ(fitted.cy, 770);
    fitted = FitStoredSize(SIZE{900, 600}, SIZE{640, 480}, SIZE{1280, 770});
    EXPECT_EQ(fitted.cx, 900);
    EXPECT_EQ(fitted.cy, 600);
    // A least window larger than the screen: the screen.
    fitted = FitStoredSize(SIZE{700, 500}, SIZE{1280, 960}, SIZE{1280, 770});
    EXPECT_EQ(fitted.cy, 770);
}

TEST(MainFrame, AStoredRatioWithoutDenominatorGivesTheDefault)
{
    ForgetLayout();
    Settings().WriteProfileInt(L"MainWindow", L"LeftPaneWidth", 5);
    Settings().WriteProfileInt(L"MainWindow", L"LeftPaneHeight", 0);
    FrameFixture f;
    RECT client = f.frame->GetClientRect();
    EXPECT_NEAR(Width(f.Tree().m_hWnd), client.right * 2 / 5, 2);
    ForgetLayout();
}

TEST(MainFrame, ClosingMaximisedKeepsTheLastPlacementAndLayoutOffIsRemembered)
{
    ForgetLayout();
    Settings().WriteProfileInt(L"MainWindow", L"x", 11);
    Settings().WriteProfileInt(L"MainWindow", L"y", 12);
    Settings().WriteProfileInt(L"MainWindow", L"cx", 700);
    Settings().WriteProfileInt(L"MainWindow", L"cy", 500);
    {
        FrameFixture f;
        ShowWindow(f.frame->m_hWnd, SW_MAXIMIZE);
        f.Pump(50);
        f.Close();
    }
    EXPECT_EQ(Stored(L"x"), 11u);
    EXPECT_EQ(Stored(L"cx"), 700u);
    EXPECT_EQ(Stored(L"SaveWindowLayoutOnExit"), 1u);

    Settings().WriteProfileInt(L"MainWindow", L"SaveWindowLayoutOnExit", 0);
    {
        FrameFixture f;
        EXPECT_EQ(f.frame->SaveWindowLayoutOnExit, 0);
        EXPECT_NE(f.frame->GetWindowRect().left, 11) << "stored placement ignored";
        SetWindowPos(f.frame->m_hWnd, nullptr, 5, 5, 600, 400, SWP_NOZORDER);
        f.Close();
    }
    EXPECT_EQ(Stored(L"SaveWindowLayoutOnExit"), 0u);
    EXPECT_EQ(Stored(L"x"), 11u) << "nothing else written";
    ForgetLayout();
}

TEST(MainFrame, TabCyclesThroughThePanesThatCanTakeTheFocus)
{
    RegistrySandbox box;
    box.SetDword(L"K", L"V", 1);
    box.CreateKey(L"Empty");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"K").c_str(), true);
    f.frame->FocusPane(Pane::Tree);
    f.PressKey(VK_TAB);
    EXPECT_EQ(f.frame->GetActiveView(), static_cast<CView*>(&f.Values()));
    EXPECT_EQ(GetFocus(), f.Values().m_hWnd);
    f.PressKey(VK_TAB);
    EXPECT_EQ(f.frame->GetActiveView(), static_cast<CView*>(f.frame->SearchPane()))
        << "its command rows count";
    f.PressKey(VK_TAB);
    EXPECT_TRUE(f.frame->AddressBarHasFocus());
    f.PressKey(VK_TAB, false, true);
    EXPECT_EQ(f.frame->GetActiveView(), static_cast<CView*>(f.frame->SearchPane())) << "Shift+Tab goes back";

    // Empty value and search lists: Tab from the tree goes to the address bar.
    f.doc->GoTo(nullptr, box.PathOf(L"Empty").c_str(), true);
    f.frame->SearchPane()->DeleteAllRows();
    f.frame->FocusPane(Pane::Tree);
    f.PressKey(VK_TAB);
    EXPECT_TRUE(f.frame->AddressBarHasFocus());
    // With the address bar hidden as well, the focus stays.
    f.frame->FocusPane(Pane::Tree);
    f.frame->SendMessage(WM_COMMAND, ID_TOGGLE_ADDRESS_BAR);
    f.PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), f.Tree().m_hWnd);
}

TEST(MainFrame, PaneCommandsShowWhereTheFocusIs)
{
    RegistrySandbox box;
    box.CreateKey(L"Empty");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Empty").c_str(), true);
    f.frame->FocusPane(Pane::Tree);
    CCmdUI left = State(*f.frame, ID_LEFT_PANE);
    EXPECT_TRUE(left.m_radio);
    EXPECT_FALSE(left.m_enabled);
    EXPECT_FALSE(State(*f.frame, ID_RIGHT_PANE).m_enabled) << "the value list is empty";
    EXPECT_TRUE(State(*f.frame, ID_SEARCH_PANE).m_enabled);
    EXPECT_TRUE(State(*f.frame, ID_ADDRESS_FOCUS).m_enabled);
    f.frame->FocusPane(Pane::Address);
    CCmdUI address = State(*f.frame, ID_ADDRESS_FOCUS);
    EXPECT_TRUE(address.m_radio);
    EXPECT_TRUE(address.m_enabled) << "it selects the whole address then";
    EXPECT_TRUE(State(*f.frame, ID_LEFT_PANE).m_enabled) << "the address bar has the focus, not the tree";
    EXPECT_EQ(State(*f.frame, ID_TOGGLE_SEARCH_PANE).m_checked, 1);
    EXPECT_FALSE(State(*f.frame, ID_EDIT_UNDO).m_enabled) << "nothing typed and nothing changed to undo";
    EXPECT_TRUE(State(*f.frame, ID_LOAD_HIVE).m_enabled);
}

TEST(MainFrame, HidingTheSearchPaneWhileFocusedMovesTheFocusOnAndShowingItAgainRestoresTheLayout)
{
    FrameFixture f;
    f.frame->FocusPane(Pane::Search);
    ASSERT_EQ(f.frame->GetActiveView(), static_cast<CView*>(f.frame->SearchPane()));
    f.frame->SendMessage(WM_COMMAND, ID_TOGGLE_SEARCH_PANE);
    EXPECT_EQ(f.frame->SearchPane(), nullptr);
    EXPECT_TRUE(f.frame->AddressBarHasFocus()) << "Next Pane from the search pane";
    RECT client = f.frame->GetClientRect();
    int fullHeight = Height(f.Tree().m_hWnd);
    EXPECT_GT(fullHeight, client.bottom * 2 / 3) << "the tree takes the whole height";
    EXPECT_EQ(State(*f.frame, ID_TOGGLE_SEARCH_PANE).m_checked, 0);
    f.frame->SendMessage(WM_COMMAND, ID_SEARCH_PANE);
    ASSERT_NE(f.frame->SearchPane(), nullptr);
    EXPECT_LT(Height(f.Tree().m_hWnd), fullHeight);
    EXPECT_EQ(f.frame->GetActiveView(), static_cast<CView*>(f.frame->SearchPane()));
}

TEST(MainFrame, TheAddressBarGoesWhereTypedAndRemembersIt)
{
    ScriptedPrompts prompts;
    RegistrySandbox box;
    box.CreateKey(L"Typed\\Here");
    Settings().DeleteProfileSection(L"GoTo");
    FrameFixture f;
    std::wstring typed = L"hkcu/" + box.SubKey() + L"/Typed/Here";
    for (wchar_t& c : typed)
        if (c == L'\\')
            c = L'/';
    f.frame->FocusPane(Pane::Address);
    TypeAddress(f, typed);
    f.PressKey(VK_RETURN);
    f.Pump(50);
    EXPECT_EQ(_wcsicmp(f.doc->GetCurrentPath().c_str(), box.PathOf(L"Typed\\Here").c_str()), 0)
        << f.doc->GetCurrentPath();
    EXPECT_EQ(f.Tree().GetItemPath(f.Tree().Selected()), f.doc->GetCurrentPath());
    EXPECT_NE(f.frame->GetWindowText().find(f.doc->GetCurrentPath()), std::wstring::npos);

    // The drop-down lists the history; picking an entry goes there.
    f.doc->GoTo(nullptr, L"CURRENT_USER", true);
    CComboBoxHA* combo = f.frame->AddressBar()->ComboBox();
    // The combo box tells its parent, the address bar.
    HWND bar = GetParent(combo->m_hWnd);
    SendMessageW(bar, WM_COMMAND, MAKEWPARAM(ID_ADDRESS_COMBO, CBN_DROPDOWN),
                 reinterpret_cast<LPARAM>(combo->m_hWnd));
    ASSERT_EQ(combo->SendMessage(CB_GETCOUNT), 1);
    combo->SendMessage(CB_SETCURSEL, 0);
    SendMessageW(bar, WM_COMMAND, MAKEWPARAM(ID_ADDRESS_COMBO, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(combo->m_hWnd));
    EXPECT_EQ(_wcsicmp(f.doc->GetCurrentPath().c_str(), box.PathOf(L"Typed\\Here").c_str()), 0);
    // An empty address does nothing.
    TypeAddress(f, L"");
    f.frame->SendMessage(WM_COMMAND, ID_GO);
    EXPECT_EQ(_wcsicmp(f.doc->GetCurrentPath().c_str(), box.PathOf(L"Typed\\Here").c_str()), 0);
    Settings().DeleteProfileSection(L"GoTo");
}

TEST(MainFrame, TheAddressBarShowsTheCurrentKeyWhereverTheNavigationCameFrom)
{
    ScriptedPrompts prompts;
    RegistrySandbox box;
    box.CreateKey(L"One\\Two");
    box.CreateKey(L"Three");
    Settings().DeleteProfileSection(L"GoTo");
    FrameFixture f;
    CComboBoxHA* combo = f.frame->AddressBar()->ComboBox();
    f.frame->FocusPane(Pane::Tree);
    f.doc->GoTo(nullptr, box.PathOf(L"One\\Two").c_str(), true);
    EXPECT_EQ(combo->EditText(), box.PathOf(L"One\\Two")) << "a navigation from elsewhere";
    f.doc->GoTo(nullptr, box.PathOf(L"Three").c_str(), true);
    EXPECT_EQ(combo->EditText(), box.PathOf(L"Three"));

    // What the user typed becomes the key it led to, in the registry's spelling.
    std::wstring typed = L"hkcu/" + box.SubKey() + L"/one/two";
    for (wchar_t& c : typed)
        if (c == L'\\')
            c = L'/';
    f.frame->FocusPane(Pane::Address);
    TypeAddress(f, typed);
    f.PressKey(VK_RETURN);
    f.Pump(50);
    EXPECT_EQ(combo->EditText(), box.PathOf(L"One\\Two"));

    // While the user types, another navigation leaves the typing alone.
    TypeAddress(f, L"hklm/sof");
    f.doc->GoTo(nullptr, box.PathOf(L"Three").c_str(), true);
    EXPECT_EQ(combo->EditText(), L"hklm/sof");
    Settings().DeleteProfileSection(L"GoTo");
}

TEST(MainFrame, ClipboardKeysStayWithTheAddressText)
{
    FrameFixture f;
    f.frame->FocusPane(Pane::Address);
    // Alt+Down is the search pane's key, but not while typing an address.
    f.PressKey(VK_DOWN, false, false, true);
    EXPECT_TRUE(f.frame->AddressBarHasFocus());
    f.frame->FocusPane(Pane::Tree);
    f.PressKey(VK_DOWN, false, false, true);
    EXPECT_EQ(f.frame->GetActiveView(), static_cast<CView*>(f.frame->SearchPane()));
}

TEST(MainFrame, HistoryButtonsAndBookmarkItemsFollowTheDocument)
{
    RegistrySandbox box;
    box.CreateKey(L"One");
    box.CreateKey(L"Two");
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"One").c_str(), true);
    f.doc->GoTo(nullptr, box.PathOf(L"Two").c_str(), true);
    EXPECT_TRUE(State(*f.frame, ID_BACK).m_enabled);
    EXPECT_FALSE(State(*f.frame, ID_FORWARD).m_enabled);
    f.frame->SendMessage(WM_COMMAND, ID_BACK);
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"One"));
    EXPECT_EQ(f.Tree().GetItemPath(f.Tree().Selected()), box.PathOf(L"One"));
    EXPECT_TRUE(State(*f.frame, ID_FORWARD).m_enabled);

    f.frame->BookmarkPaths.assign(212, L"");
    f.frame->BookmarkPaths[202] = box.PathOf(L"Two") + L"\tValue";
    EXPECT_EQ(f.frame->GetMessageString(ID_BOOKMARK_FIRST),
              L"Go to " + box.PathOf(L"Two") + L", value Value");
    f.frame->SendMessage(WM_COMMAND, ID_BOOKMARK_FIRST);
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Two"));
    f.frame->SendMessage(WM_COMMAND, ID_BOOKMARK_FIRST + 50);
    EXPECT_EQ(f.doc->GetCurrentPath(), box.PathOf(L"Two")) << "beyond the stored paths nothing happens";
    EXPECT_EQ(f.frame->GetMessageString(ID_FILE_MRU_FILE1), L"Go to Saved Address");
}

TEST(MainFrame, ChangeEventsBecomeHintsUntilShutdown)
{
    RegistrySandbox box;
    box.SetDword(L"W", L"Before", 1);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"W").c_str(), true);
    ASSERT_EQ(f.Values().ItemCount(), 1);
    // The frame runs one monitor per root; an event names its monitor by cookie.
    ASSERT_EQ(f.frame->Monitors().size(), 5u);
    const CChngMntr* user = nullptr;
    for (const auto& monitor : f.frame->Monitors())
    {
        EXPECT_TRUE(monitor->WaitUntilWatching(10000)) << monitor->RootName();
        if (monitor->RootName() == L"CURRENT_USER")
            user = monitor.get();
    }
    ASSERT_NE(user, nullptr);
    box.SetDword(L"W", L"After", 2);
    f.frame->SendMessage(CChngMntr::Message(), 1, 999); // no such monitor
    EXPECT_EQ(f.Values().ItemCount(), 1);
    f.frame->SendMessage(CChngMntr::Message(), 1, user->Cookie());
    EXPECT_EQ(f.Values().ItemCount(), 2);
    SignalShutdown();
    box.SetDword(L"W", L"Late", 3);
    f.frame->SendMessage(CChngMntr::Message(), 1, user->Cookie());
    EXPECT_EQ(f.Values().ItemCount(), 2) << "ignored while closing";
}

TEST(MainFrame, OnlinePagesAndTheSystemEditorAreLaunched)
{
    ScriptedPrompts prompts;
    FrameFixture f;
    f.doc->GoTo(nullptr, L"CURRENT_USER\\Software", true);
    f.frame->SendMessage(WM_COMMAND, ID_ONLINE_HELP);
    f.frame->SendMessage(WM_COMMAND, ID_REGEDIT);
    auto launches = prompts.Launches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].verb, L"open");
    EXPECT_EQ(launches[1].file, L"regedit.exe");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
    wchar_t last[200] = {};
    DWORD size = sizeof(last);
    RegQueryValueExW(key, L"LastKey", nullptr, nullptr, reinterpret_cast<BYTE*>(last), &size);
    RegCloseKey(key);
    EXPECT_STREQ(last, L"HKEY_CURRENT_USER\\Software");
}

TEST(MainFrame, AValueWrittenByAnotherProgramShowsUpWithoutARefresh)
{
    RegistrySandbox box;
    box.SetDword(L"Watched", L"Old", 1);
    FrameFixture f;
    f.doc->GoTo(nullptr, box.PathOf(L"Watched").c_str(), true);
    ASSERT_EQ(f.Values().ItemCount(), 1);
    for (const auto& monitor : f.frame->Monitors())
        ASSERT_TRUE(monitor->WaitUntilWatching(10000));
    std::wstring command =
        L"reg.exe add \"HKCU\\" + box.SubKey() + L"\\Watched\" /v Fresh /t REG_SZ /d typed /f";
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, 20000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ASSERT_TRUE(f.PumpUntil([&] { return f.Values().FindItem(L"Fresh", 0) >= 0; }, 10000));
    EXPECT_EQ(f.Values().ItemText(f.Values().FindItem(L"Fresh", 0), f.Values().DataColumn), L"typed");
    f.SettleWorkers();
}

TEST(MainFrame, TheOptionsDialogCarriesTheSaveLayoutChoice)
{
    ScriptedPrompts prompts;
    FrameFixture f;
    ASSERT_EQ(f.frame->SaveWindowLayoutOnExit, 1);
    prompts.onDialog = [](UINT, HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SAVE_LAYOUT), BST_CHECKED);
        CheckDlgButton(dialog, IDC_SAVE_LAYOUT, BST_UNCHECKED);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    f.frame->SendMessage(WM_COMMAND, ID_OPTIONS);
    EXPECT_EQ(f.frame->SaveWindowLayoutOnExit, 0);
    f.Close();
    EXPECT_EQ(Stored(L"SaveWindowLayoutOnExit"), 0u);
    ForgetLayout();
}

TEST(MainFrame, TakeOwnershipRunsAsAFrameTaskAndReportsItsFailureOnTheWindowThread)
{
    ScriptedPrompts user;
    user.Answer(IDYES);
    user.Answer(IDOK);
    FrameFixture f;
    f.doc->StartTakeOwnership(L"CURRENT_USER\\Software\\ZorvaneNoSuchKeyAnywhere");
    ASSERT_TRUE(f.PumpUntil([&] { return user.Boxes().size() == 2; }));
    EXPECT_EQ(user.Boxes()[1].text.rfind(std::wstring(kTakeOwnershipFailed) + L"\n", 0), 0u);
    EXPECT_TRUE(f.SettleWorkers());
}

TEST(MainFrame, TakeOwnershipOfATreeSaysHowManyKeysItChangesAndAsksFirst)
{
    RegistrySandbox box;
    for (const wchar_t* key : {L"Own\\A\\Deep", L"Own\\B"})
        box.CreateKey(key);
    ScriptedPrompts user;
    user.Answer(IDNO);
    FrameFixture f;
    size_t entries = f.doc->Journal().UndoCount();
    f.doc->StartTakeOwnership(box.PathOf(L"Own"));
    EXPECT_TRUE(f.SettleWorkers());
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(
        user.Boxes()[0].text.rfind(L"Take ownership of " + box.PathOf(L"Own") + L" and its 3 subkeys?", 0),
        0u)
        << zv::ToUtf8(user.Boxes()[0].text);
    EXPECT_EQ(user.Boxes()[0].buttons, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(f.doc->Journal().UndoCount(), entries) << "No changes nothing";
    EXPECT_EQ(TakeOwnershipQuestion(L"X", 1).rfind(L"Take ownership of X and its 1 subkey?", 0), 0u);
    EXPECT_EQ(TakeOwnershipQuestion(L"X", 0).rfind(L"Take ownership of X?", 0), 0u);
}

TEST(MainFrame, PanesKeepTheirSharesWhenTheWindowGrowsOrShrinks)
{
    ForgetLayout();
    FrameFixture f;
    SetWindowPos(f.frame->m_hWnd, nullptr, 0, 0, 900, 600, SWP_NOZORDER | SWP_NOMOVE);
    f.Pump(50);
    HWND search = f.frame->SearchPane()->m_hWnd;
    auto share = [&](HWND pane, HWND other, bool vertical) {
        double a = vertical ? Height(pane) : Width(pane);
        double b = vertical ? Height(other) : Width(other);
        return a / (a + b);
    };
    double upper = share(f.Tree().m_hWnd, search, true);
    double left = share(f.Tree().m_hWnd, f.Values().m_hWnd, false);
    for (SIZE size : {SIZE{1200, 780}, SIZE{700, 500}, SIZE{1000, 700}})
    {
        SetWindowPos(f.frame->m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE);
        f.Pump(20);
        EXPECT_NEAR(share(f.Tree().m_hWnd, search, true), upper, 0.01) << size.cx << "x" << size.cy;
        EXPECT_NEAR(share(f.Tree().m_hWnd, f.Values().m_hWnd, false), left, 0.01)
            << size.cx << "x" << size.cy;
    }
    ForgetLayout();
}

TEST(MainFrame, TheSmallestWindowKeepsEveryPaneUsable)
{
    ForgetLayout();
    FrameFixture f;
    MINMAXINFO limits = {};
    f.frame->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    ASSERT_GE(limits.ptMinTrackSize.x, CMainFrame::kMinimumWindow.cx);
    ASSERT_GE(limits.ptMinTrackSize.y, CMainFrame::kMinimumWindow.cy);
    SetWindowPos(f.frame->m_hWnd, nullptr, 0, 0, limits.ptMinTrackSize.x, limits.ptMinTrackSize.y,
                 SWP_NOZORDER | SWP_NOMOVE);
    f.Pump(20);
    RECT status;
    GetWindowRect(GetDlgItem(f.frame->m_hWnd, AFX_IDW_STATUS_BAR), &status);
    for (HWND pane : {f.Tree().m_hWnd, f.Values().m_hWnd, f.frame->SearchPane()->m_hWnd})
    {
        RECT rc;
        GetWindowRect(pane, &rc);
        EXPECT_GE(rc.bottom - rc.top, CMainFrame::kMinimumPane);
        EXPECT_GE(rc.right - rc.left, CMainFrame::kMinimumPane);
        EXPECT_LE(rc.bottom, status.top) << "no pane under the status bar";
    }
    ForgetLayout();
}

TEST(MainFrame, AltDSelectsTheWholeAddressEvenWhenItHasTheFocus)
{
    FrameFixture f;
    TypeAddress(f, L"CURRENT_USER\\Software");
    HWND edit = f.frame->AddressBar()->ComboBox()->EditControl();
    for (int round = 0; round < 3; ++round)
    {
        SendMessageW(edit, EM_SETSEL, 3, 3);
        if (round < 2)
            f.PressKey('D', false, false, true); // the second time with the focus already there
        else
            f.frame->SendMessage(WM_COMMAND, ID_ADDRESS_FOCUS);
        EXPECT_TRUE(f.frame->AddressBarHasFocus());
        EXPECT_EQ(f.frame->AddressBar()->ComboBox()->EditText(), L"CURRENT_USER\\Software")
            << "nothing typed";
        DWORD start = 0, end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(edit))) << "round " << round;
    }
}

TEST(MainFrame, CreateShortcutProposesTheKeysSafeNameAndOpenShortcutAndTheRecentListGoThere)
{
    RegistrySandbox box;
    box.CreateKey(L"A:B\\Deeper");
    ScriptedPrompts user;
    FrameFixture f;
    f.app.LoadStdProfileSettings(10); // as the program does at start
    f.doc->GoTo(nullptr, box.PathOf(L"A:B").c_str(), true);
    f.SettleWorkers();
    f.frame->FocusPane(Pane::Tree);

    std::wstring file = TempFilePath(L"frame-shortcut.s2r");
    DeleteFileW(file.c_str());
    user.AnswerFile(file);
    f.PressKey('S', true);
    ASSERT_EQ(user.FileDialogs().size(), 1u);
    FileDialogRequest asked = user.FileDialogs()[0];
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.fileName, L"A;B.s2r");
    EXPECT_NE(asked.filter.find(L"Shortcut to Registry Key (*.s2r)|*.s2r"), std::wstring::npos)
        << zv::ToUtf8(asked.filter);
    std::vector<unsigned char> bytes = ReadFileBytes(file);
    std::wstring location = box.PathOf(L"A:B");
    ASSERT_EQ(bytes.size(), 4 + 2 * location.size());
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 4), location.size()), location);

    // Somewhere else, Open Shortcut brings the location back.
    f.doc->GoTo(nullptr, L"CURRENT_USER", true);
    f.SettleWorkers();
    user.AnswerFile(file);
    f.PressKey('O', true);
    f.SettleWorkers();
    EXPECT_EQ(f.doc->GetCurrentPath(), location);

    // And so does its entry in the recent-file list.
    f.doc->GoTo(nullptr, L"CURRENT_USER", true);
    f.SettleWorkers();
    f.frame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1, 0);
    f.SettleWorkers();
    EXPECT_EQ(f.doc->GetCurrentPath(), location);
    DeleteFileW(file.c_str());
}

TEST(MainFrame, TheStatusBarsProgressBarShowsItsPercentAndHides)
{
    FrameFixture f;
    EXPECT_EQ(f.frame->ProgressBar(), nullptr);
    f.frame->ShowProgress(40);
    HWND bar = f.frame->ProgressBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 40);
    EXPECT_EQ(GetParent(bar), f.frame->m_statusBar->m_hWnd);
    f.frame->ShowProgress(250);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 100);
    f.frame->ShowProgress(-1);
    EXPECT_FALSE(IsWindowVisible(bar));
}

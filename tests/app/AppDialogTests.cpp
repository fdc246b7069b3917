// The Options, Go To and About dialogs, driven as a user would.
#include "app/AboutDlg.h"
#include "app/GotoDlg.h"
#include "app/Hints.h"
#include "app/Options.h"
#include "app/OptionsDlg.h"
#include "base/SettingsStore.h"
#include "base/WorkerThread.h"
#include "operations/KeySecurityInfo.h"
#include "support/RegistrySandbox.h"
#include "registry/NumberFormat.h"
#include "support/DocumentFixture.h"
#include "support/ScriptedPrompts.h"

#include "resource.h"

#include "base/ProgramInfo.h"

#include <gtest/gtest.h>

namespace
{
// The clipboard may be held a moment by another window (the platform's own
// clipboard thread among them): asks until it is this thread's, up to 5 s.
bool OpenClipboardWhenFree()
{
    for (int attempt = 0; attempt < 500; ++attempt)
    {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(10);
    }
    return false;
}

void PutClipboardText(const std::wstring& text)
{
    ASSERT_TRUE(OpenClipboardWhenFree());
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
}

void ClearClipboard()
{
    ASSERT_TRUE(OpenClipboardWhenFree());
    EmptyClipboard();
    CloseClipboard();
}
} // namespace

TEST(OptionsDialog, OkStoresTheChosenFormatAndRedoesTheValueTexts)
{
    ScriptedPrompts prompts;
    DocumentFixture f;
    f.frame->SetActiveView(&f.view, false);
    int before = NumberFormatIndex();
    SetNumberFormat(0);
    prompts.onDialog = [](UINT id, HWND dialog) {
        ASSERT_EQ(id, static_cast<UINT>(IDD_OPTIONS));
        HWND combo = GetDlgItem(dialog, IDC_NUMBER_FORMAT);
        EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
        SendMessageW(combo, CB_SETCURSEL, 1, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    COptionsDlg dialog(f.doc);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(NumberFormatIndex(), 1);
    EXPECT_EQ(Settings().GetProfileInt(L"Numbers", L"Format", -1), 1);
    ASSERT_FALSE(f.view.hints.empty());
    EXPECT_EQ(f.view.hints.back().hint, kHintNumberFormat);
    SetNumberFormat(before);
}

TEST(OptionsDialog, CancelKeepsEverything)
{
    ScriptedPrompts prompts;
    SetNumberFormat(2);
    prompts.onDialog = [](UINT, HWND dialog) {
        SendMessageW(GetDlgItem(dialog, IDC_NUMBER_FORMAT), CB_SETCURSEL, 0, 0);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    COptionsDlg dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(NumberFormatIndex(), 2);
}

TEST(GotoDialog, PicksARegistryPathOutOfTheClipboardAndRemembersWhatWasEntered)
{
    Settings().DeleteProfileSection(L"GoTo");
    PutClipboardText(L"see HKLM\\Software\r\n for it");
    {
        CGotoDlg dialog;
        EXPECT_EQ(dialog.EnteredText, L"HKLM\\Software for it");
    }
    ClearClipboard();

    ScriptedPrompts prompts;
    prompts.onDialog = [](UINT id, HWND dialog) {
        ASSERT_EQ(id, static_cast<UINT>(IDD_GOTO));
        SetWindowTextW(GetDlgItem(dialog, IDC_GOTO_PATH), L"hkcu/software");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    {
        CGotoDlg dialog;
        EXPECT_EQ(dialog.EnteredText, L"") << "no path on the clipboard and no history";
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(dialog.EnteredText, L"hkcu/software");
    }
    // The next dialog proposes the last entry and lists it.
    prompts.onDialog = [](UINT, HWND dialog) {
        HWND combo = GetDlgItem(dialog, IDC_GOTO_PATH);
        EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    CGotoDlg again;
    EXPECT_EQ(again.EnteredText, L"hkcu/software");
    EXPECT_EQ(again.DoModal(), IDCANCEL);
    Settings().DeleteProfileSection(L"GoTo");
}

TEST(GotoDialog, TextWithoutARootWordIsNoPath)
{
    EXPECT_EQ(RegistryPathInText(L"nothing to see"), L"");
    EXPECT_EQ(RegistryPathInText(L"hkey_users\\.DEFAULT"), L"hkey_users\\.DEFAULT");
    EXPECT_EQ(RegistryPathInText(L"x CURRENT_USER\tA"), L"CURRENT_USERA");
}

TEST(AboutDialog, ButtonsOpenTheMakersPages)
{
    ScriptedPrompts prompts;
    prompts.onDialog = [](UINT id, HWND dialog) {
        ASSERT_EQ(id, static_cast<UINT>(IDD_ABOUTBOX));
        wchar_t version[100] = {};
        GetDlgItemTextW(dialog, IDC_ABOUT_VERSION, version, 100);
        EXPECT_EQ(std::wstring(version), kVersionLine);
        EXPECT_NE(std::wstring(version).find(sizeof(void*) == 8 ? L" 64-bit " : L" 32-bit "),
                  std::wstring::npos);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_WEBSITE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_WEBSITE)));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_CONTACT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_ABOUT_CONTACT)));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    CAboutDlg dialog;
    dialog.DoModal();
    auto launches = prompts.Launches();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].file, kMakerWebSite);
    EXPECT_EQ(launches[1].file, kMakerContactPage);
}

TEST(PermissionsEditor, ItsWindowNamesTheKey)
{
    RegistrySandbox box;
    box.CreateKey(L"Guarded");
    // The editor is modal: a helper thread reads its title and cancels it.
    std::wstring title;
    zv::WorkerThread closer = zv::StartWorkerThread([&](const zv::StopToken& stop) -> unsigned {
        for (int i = 0; i < 400 && !stop.StopRequested(); ++i, Sleep(50))
        {
            HWND found = nullptr;
            for (HWND window = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window;
                 window = FindWindowExW(nullptr, window, L"#32770", nullptr))
            {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == GetCurrentProcessId() && IsWindowVisible(window))
                    found = window;
            }
            if (found)
            {
                wchar_t text[512] = {};
                GetWindowTextW(found, text, 512);
                title = text;
                PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
                return 0;
            }
        }
        return 1;
    });
    ShowPermissions(box.PathOf(L"Guarded"));
    closer.Join();
    EXPECT_EQ(title, L"Permissions for " + box.PathOf(L"Guarded"));
}

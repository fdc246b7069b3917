// F1 and the help commands: which page of the help file each place asks for.
#include "app/Help.h"
#include "base/Strings.h"
#include "frame/PaneLayout.h"
#include "support/FrameFixture.h"
#include "support/ScriptedPrompts.h"

#include "helpids.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <htmlhelp.h>

namespace
{
// What the system posts to the focused window for a pressed F1 (not in the
// public headers).
constexpr UINT kKeyF1Message = 0x004D;

// The pages asked for so far: the part after "::/", or "" for the file's
// start page. Every request must be a topic display of the program's file.
std::vector<std::wstring> Pages(const ScriptedPrompts& prompts)
{
    std::vector<std::wstring> pages;
    for (const RecordedHelp& help : prompts.HelpRequests())
    {
        EXPECT_EQ(help.command, static_cast<UINT>(HH_DISPLAY_TOPIC));
        EXPECT_EQ(help.file.rfind(HelpFilePath(), 0), 0u) << zv::ToUtf8(help.file);
        std::wstring rest = help.file.substr(std::min(help.file.size(), HelpFilePath().size()));
        pages.push_back(rest.rfind(L"::/", 0) == 0 ? rest.substr(3) : rest);
    }
    return pages;
}

// F1 on the window with the focus: the system turns a pressed F1 into this
// message for the focused window (a posted key-down is not turned into it).
void PressF1(FrameFixture& f)
{
    PostMessageW(GetFocus(), kKeyF1Message, 0, 0);
    f.Pump(20);
}

// Drives a modal dialog: once it shows, F1 goes to one of its controls; the
// dialog closes as soon as a help request arrives (or after five seconds).
struct DialogF1
{
    static inline ScriptedPrompts* prompts = nullptr;
    static inline DWORD started = 0;

    static void CALLBACK Tick(HWND dialog, UINT, UINT_PTR timer, DWORD)
    {
        if (!prompts->HelpRequests().empty() || GetTickCount() - started > 5000)
        {
            KillTimer(dialog, timer);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }

    static void Start(HWND dialog, HWND control)
    {
        started = GetTickCount();
        // Posted: the dialog's own loop takes it.
        PostMessageW(control, kKeyF1Message, 0, 0);
        SetTimer(dialog, 1, 20, Tick);
    }
};
} // namespace

TEST(Help, TheFocusedPaneChoosesThePageAndTheAddressBarTheStartPage)
{
    ScriptedPrompts prompts;
    FrameFixture f;
    f.SettleWorkers();
    struct
    {
        UINT command;
        const wchar_t* page;
    } panes[] = {
        {ID_LEFT_PANE, L"tree.htm"}, {ID_RIGHT_PANE, L"values.htm"}, {ID_SEARCH_PANE, L"search-results.htm"}};
    for (const auto& pane : panes)
    {
        prompts.Clear();
        f.frame->SendMessage(WM_COMMAND, pane.command);
        f.Pump(50);
        PressF1(f);
        ASSERT_TRUE(f.PumpUntil([&] { return !prompts.HelpRequests().empty(); }, 5000)) << pane.command;
        EXPECT_EQ(Pages(prompts), std::vector<std::wstring>{pane.page});
        EXPECT_EQ(prompts.HelpRequests()[0].owner, f.frame->m_hWnd);
    }

    // In the address bar: the file's start page, not a context.
    prompts.Clear();
    f.frame->SendMessage(WM_COMMAND, ID_ADDRESS_FOCUS);
    f.Pump(50);
    ASSERT_TRUE(f.frame->AddressBarHasFocus());
    PressF1(f);
    ASSERT_TRUE(f.PumpUntil([&] { return !prompts.HelpRequests().empty(); }, 5000));
    EXPECT_EQ(Pages(prompts), std::vector<std::wstring>{L""});
    f.SettleWorkers();
}

TEST(Help, DialogsAndTheKeyPropertiesPageAskForTheirOwnPage)
{
    ScriptedPrompts prompts;
    DialogF1::prompts = &prompts;
    FrameFixture f;
    f.SettleWorkers();
    prompts.onDialog = [](UINT id, HWND dialog) {
        if (id == IDD_FIND)
            DialogF1::Start(dialog, GetDlgItem(dialog, IDC_FIND_TEXT));
        else if (id == IDD_OPTIONS)
            DialogF1::Start(dialog, GetDlgItem(dialog, IDC_NUMBER_FORMAT));
        else if (id == IDD_GOTO)
            DialogF1::Start(dialog, GetDlgItem(dialog, IDC_GOTO_PATH));
        else if (id == IDD_KEY_PROPERTIES)
            DialogF1::Start(GetParent(dialog), GetDlgItem(dialog, IDC_KEY_CLASS));
    };
    struct
    {
        UINT command;
        const wchar_t* page;
    } dialogs[] = {
        {ID_FIND, L"search.htm"}, {ID_OPTIONS, L"settings.htm"}, {ID_GOTO_KEY, L"address-bar.htm"}};
    for (const auto& dialog : dialogs)
    {
        prompts.Clear();
        f.frame->SendMessage(WM_COMMAND, dialog.command);
        EXPECT_EQ(Pages(prompts), std::vector<std::wstring>{dialog.page}) << dialog.command;
        std::vector<RecordedHelp> help = prompts.HelpRequests();
        ASSERT_EQ(help.size(), 1u);
        // Owned by the dialog, so the help window comes up in front of it.
        EXPECT_NE(help[0].owner, f.frame->m_hWnd);
        EXPECT_NE(help[0].owner, nullptr);
    }

    // The key's property page, in its sheet.
    prompts.Clear();
    f.frame->SendMessage(WM_COMMAND, ID_LEFT_PANE);
    f.Tree().SendMessage(WM_COMMAND, ID_PROPERTIES);
    ASSERT_TRUE(f.PumpUntil([&] { return !prompts.HelpRequests().empty(); }, 5000));
    EXPECT_EQ(Pages(prompts), std::vector<std::wstring>{L"key-properties.htm"});
    f.SettleWorkers();
    DialogF1::prompts = nullptr;
}

TEST(Help, MenuItemsAskForTheCommandPageAndBookmarksShareTheirTopic)
{
    // The bookmark range's ends and their neighbours.
    EXPECT_EQ(MenuItemHelpContext(ID_BOOKMARK_FIRST - 1), static_cast<DWORD_PTR>(HID_MENU_COMMANDS));
    EXPECT_EQ(MenuItemHelpContext(ID_BOOKMARK_FIRST), HID_BASE_COMMAND + ID_BOOKMARK_FIRST);
    EXPECT_EQ(MenuItemHelpContext(ID_BOOKMARK_LAST), HID_BASE_COMMAND + ID_BOOKMARK_LAST);
    EXPECT_EQ(MenuItemHelpContext(ID_BOOKMARK_LAST + 1), static_cast<DWORD_PTR>(HID_MENU_COMMANDS));
    EXPECT_EQ(MapHelpContext(HID_BASE_COMMAND + ID_BOOKMARK_FIRST),
              static_cast<DWORD_PTR>(HID_BOOKMARK_MENU));
    EXPECT_EQ(MapHelpContext(HID_BASE_COMMAND + ID_BOOKMARK_LAST), static_cast<DWORD_PTR>(HID_BOOKMARK_MENU));
    EXPECT_EQ(MapHelpContext(HID_BASE_COMMAND + ID_BOOKMARK_LAST + 1),
              HID_BASE_COMMAND + ID_BOOKMARK_LAST + 1);

    ScriptedPrompts prompts;
    FrameFixture f;
    f.SettleWorkers();
    // F1 on an open menu arrives as help for the item under the cursor.
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_MENUITEM;
    info.iCtrlId = ID_BOOKMARK_FIRST + 7;
    f.frame->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    info.iCtrlId = ID_EDIT_UNDO;
    f.frame->SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(Pages(prompts), (std::vector<std::wstring>{L"bookmarks.htm", L"menus.htm"}));

    // A context without a page, and the window's own: the start page. A
    // failed call: the start page instead.
    prompts.Clear();
    EXPECT_TRUE(ShowHelp(f.frame->m_hWnd, 0x2FFFE, HELP_CONTEXT));
    EXPECT_TRUE(ShowHelp(f.frame->m_hWnd, HIDR_MAINFRAME, HELP_CONTEXT));
    prompts.helpFails = true;
    EXPECT_FALSE(ShowHelp(f.frame->m_hWnd, HIDD_FIND, HELP_CONTEXT));
    EXPECT_EQ(Pages(prompts), (std::vector<std::wstring>{L"", L"", L"search.htm", L""}));
    f.SettleWorkers();
}

TEST(Help, PaneContextsFollowTheFocus)
{
    PaneState state;
    EXPECT_EQ(PaneHelpContext(state), static_cast<DWORD_PTR>(HIDR_MAINFRAME));
    state.active = Pane::Values;
    EXPECT_EQ(PaneHelpContext(state), static_cast<DWORD_PTR>(HIDR_VALUE_PANE));
    // The address bar has the focus while a pane stays the active view.
    state.addressHasFocus = true;
    EXPECT_EQ(PaneHelpContext(state), static_cast<DWORD_PTR>(HIDR_MAINFRAME));
}

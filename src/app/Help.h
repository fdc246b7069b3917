// Help: every request goes to the HTML Help file beside the program.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

// Program folder + "Zorvane.chm".
const std::wstring& HelpFilePath();
// The bookmark menu's command ids share one topic; other ids pass unchanged.
DWORD_PTR MapHelpContext(DWORD_PTR context);
// Shows help: the page of the mapped context; the start page for the frame's
// own id, the index, a context without a page, or a failed call. Returns
// whether a help window opened.
bool ShowHelp(HWND owner, DWORD_PTR data, UINT command);

// A context and the page of the help file that covers it.
struct HelpTopic
{
    DWORD_PTR context;
    const wchar_t* page;
};
// Every context with a page of its own (the main window's is the start page).
const std::vector<HelpTopic>& HelpTopics();
// The page of a context, or null when it has none.
const wchar_t* HelpPageFor(DWORD_PTR context);

// The help context of F1 on a menu item: a bookmark's command id as it is
// (one topic covers them all), any other command the page of menu commands.
DWORD_PTR MenuItemHelpContext(UINT commandId);

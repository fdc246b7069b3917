// Help: every request goes to the HTML Help file beside the program.
#pragma once

#include <windows.h>
#include <string>

// Program folder + "Zorvane.chm".
const std::wstring& HelpFilePath();
// The bookmark menu's command ids share one topic; other ids pass unchanged.
DWORD_PTR MapHelpContext(DWORD_PTR context);
// Shows help: the default topic for the frame's own id, the index, or a
// failed call; else the mapped context. Returns whether a help window opened.
bool ShowHelp(HWND owner, DWORD_PTR data, UINT command);

// Failure reporting and process privileges for the registry operations.
#pragma once

#include <windows.h>
#include <string>

// Shows text joined with the system's message for code (0: none) in an OK box.
void ReportError(DWORD code, const std::wstring& text, bool show);
// Shows the "Registry changes were not saved." advice, worded for elevated
// and for limited users; always false.
bool ReportWriteFailure();
// The system's message for an error code ("" when it has none).
std::wstring SystemErrorText(DWORD code);
// Switches a privilege of the process token on or off; true only when this
// call changed its state (so the caller knows whether to switch it back).
bool EnablePrivilege(const wchar_t* name, bool enable);

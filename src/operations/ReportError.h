// Failure reporting and process privileges for the registry operations.
#pragma once

#include <windows.h>
#include <string>

// Shows text joined with the system's message for code (0: none) in an OK
// box. A text that ends in the advice to run as Administrator keeps it only
// where it can help: a limited user, and an access failure.
void ReportError(DWORD code, const std::wstring& text, bool show);
// The advice in ReportError's texts, and whether it applies to code now.
extern const wchar_t kRunAsAdministratorAdvice[]; // " Try run as Administrator option."
bool AdministratorAdviceHelps(DWORD code, bool elevated);
// What to tell the user after a write below keyPath failed with error: that
// the key no longer exists (another program deleted it), the advice for
// missing rights (worded for elevated and for limited users), or the
// system's message.
std::wstring WriteFailureText(DWORD error, const std::wstring& keyPath, bool elevated);
// Shows WriteFailureText; always false.
bool ReportWriteFailure(DWORD error, const std::wstring& keyPath);
// The system's message for an error code ("" when it has none).
std::wstring SystemErrorText(DWORD code);
// Switches a privilege of the process token on or off; true only when this
// call changed its state (so the caller knows whether to switch it back).
bool EnablePrivilege(const wchar_t* name, bool enable);

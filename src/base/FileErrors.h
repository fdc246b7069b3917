// The standard messages for files that cannot be created, read or written.
#pragma once

#include <windows.h>
#include <string>

// Shows the message for a failed create or write of path (error: system code).
void ReportFileError(const std::wstring& path, DWORD error, bool writing);
// The text of that message.
std::wstring FileErrorText(const std::wstring& path, DWORD error, bool writing);

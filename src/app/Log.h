// The optional diagnostic log (switched on by "/log <file>"), the
// administrator test, and the common failure messages.
#pragma once

#include <string>

// Called by start-up with what the command line said.
void SetLogging(bool on, const std::wstring& fileName);
bool IsLogging();
const std::wstring& LogFileName();
// Restarts the log: deletes the file and writes the header lines.
void LogStart();
// Appends one formatted line; with no format only triggers the first LogStart.
void Log(const wchar_t* format = nullptr, ...);

// Whether the process runs with an elevated token (and logs what it found).
bool IsElevated();
// Shows the "Registry changes were not saved." advice; always false.
bool ReportWriteFailure();
// A Yes/No question with the question icon; true for Yes.
bool AskYesNo(const std::wstring& text);

extern const wchar_t kVersionLine[]; // "Version: 4.9.16.1 32-bit with Unicode"

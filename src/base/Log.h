// The optional diagnostic log, switched on by "/log <file>". Any thread may
// write; each line opens, writes and closes the file.
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
// Writes what the exception being handled says and where it was caught: every
// boundary that turns an exception into a result calls it from its catch block.
void LogCaughtException(const wchar_t* where) noexcept;

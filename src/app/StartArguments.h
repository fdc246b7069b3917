// What the command line of a start asks for: the log switch and its file,
// the location or shortcut file to open.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct StartArguments
{
    bool logging = false;
    std::wstring logFile;
    // The argument that names the start location or shortcut file (empty: none).
    std::wstring location;
    // "/import <file>": a registry script to import (through the preview).
    std::wstring importFile;
};

// Scans the arguments after the program name. "/log" or "-log" (any case)
// switches logging on; the next plain argument, once logging is on, is the
// log file. "/import" takes the next argument as a script to import. The
// first other argument is the location. When the first
// argument is a "zorvane:" or "reg:" link (any case), it is the location and
// every other argument is ignored.
StartArguments ScanStartArguments(const std::vector<std::wstring>& arguments);
bool IsLinkArgument(std::wstring_view argument);

// The file a start argument names when it is an existing file: tested as it
// is, with environment references expanded, and without surrounding quotes.
// Empty when it names no file.
std::wstring ExistingStartFile(const std::wstring& argument);

// The arguments of this process after the program name.
std::vector<std::wstring> ProcessArguments();

// Compare without a window: "/compare <left> <right> [/out <file.reg>]
// [/reverse]". Each side is a registry location (any spelling the address
// bar takes), a registry script file or a snapshot file. Window-free.
#pragma once

#include "operations/TreeCompare.h"

#include <memory>
#include <string>
#include <vector>

struct CompareCommand
{
    bool requested = false;
    std::wstring left;
    std::wstring right;
    std::wstring outFile; // the difference script to write (empty: none)
    bool reverse = false; // the script makes right into left instead
    bool logging = false; // "/log [file]": the report goes to the log
    std::wstring logFile;
    std::wstring problem; // why the arguments cannot be run
};

// The compare switches of a command line ("/compare" or "-compare", any case),
// and "/log" with its file.
CompareCommand ScanCompareCommand(const std::vector<std::wstring>& arguments);

// Exit codes of a command-line compare.
constexpr int kCompareSame = 0;
constexpr int kCompareDifferent = 1;
constexpr int kCompareError = 2;

// One side of a compare as the user named it: the source behind it (the live
// registry, or a file read whole) and the key path to compare there.
struct OpenedSide
{
    std::unique_ptr<KeySource> owned; // a file's tree; null for the registry
    const KeySource* source = nullptr;
    std::wstring path;
    std::wstring problem; // why the side cannot be compared
};
OpenedSide OpenCompareSide(const std::wstring& text);

// Runs the command; what happened goes to report (one line each).
int RunCompareCommand(const CompareCommand& command, std::vector<std::wstring>& report);

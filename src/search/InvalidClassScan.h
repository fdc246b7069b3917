// The invalid class finder: COM class registrations whose in-process server
// file cannot be found, with the program identifier and type library keys
// that belong to them. It reads the registry only; the rows leave through a
// search sink like a search's. Window-free.
#pragma once

#include "search/SearchEngine.h"

#include <string>
#include <string_view>
#include <vector>

// A classes key the scan looks at: a root, the root's name as shown in the
// Location column, and the classes key's path below it.
struct ClassesPlace
{
    HKEY root = nullptr;
    std::wstring rootName;
    std::wstring classesPath = L"Software\\Classes";

    // The shown path of the classes key ("CURRENT_USER\Software\Classes").
    std::wstring Location() const { return rootName + L'\\' + classesPath; }
};

// The current user's classes, then the machine's.
std::vector<ClassesPlace> UserAndMachineClasses();

// Whether a file or folder matching the text (wildcards allowed) exists; with
// expand, also after expanding environment variables, and for a text that
// begins with a double quote, the part up to the closing quote.
bool FileExists(std::wstring_view text, bool expand);
// Whether the shell finds the text (at most MAX_PATH - 1 characters) in the
// current folder, the system folders or the folders of PATH.
bool FindOnSearchPath(std::wstring_view text);
// Whether a server text names a file that exists, with the file system seen
// as registered: a 32-bit process's System32 redirection is off meanwhile.
bool ServerFileFound(std::wstring_view text);

// Whether the class named name below the place has an in-process server
// whose file cannot be found; its data text goes to serverText.
bool IsInvalidClass(const ClassesPlace& place, const std::wstring& name, std::wstring& serverText);
// The program identifier and type library rows of the class, read below the
// class's own place; only single, existing key names qualify.
std::vector<FoundRow> RelatedRows(const ClassesPlace& place, const std::wstring& name);

// Scans the places in order until done or stop is requested (which ends the
// whole scan). keysSearched counts the classes examined, matches the rows.
SearchTotals RunClassScan(const std::vector<ClassesPlace>& places, const zv::StopToken& stop,
                          ISearchSink& sink);

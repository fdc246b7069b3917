// Registration with the shell: the shortcut file type ".s2r" and the URL
// protocols "zorvane:" and "reg:", all opening in this program. A start
// registers only what is missing or names a program file that is gone; a
// registration naming another copy that exists stays that copy's (an
// installed copy is registered by its installer).
#pragma once

#include <string>

// The program file an open command starts: the quoted first word, or the
// unquoted text up to ".exe" (a path with spaces) or the first blank, with
// environment variables expanded. Empty when there is none.
std::wstring CommandProgram(const std::wstring& command);
// Registers typeId as a URL protocol opened by programPath unless its open
// command names a program file that exists; true when the registry changed.
bool RegisterUrlType(const std::wstring& typeId, const std::wstring& programPath);
// Everything, for programPath; true when anything changed, so the caller
// tells the shell that associations changed.
bool RegisterWithShell(const std::wstring& programPath);

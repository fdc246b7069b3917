// Registration with the shell at every start: the shortcut file type ".s2r"
// and the URL protocols "zorvane:" and "reg:", all opening in this program.
#pragma once

#include <string>

// Sets the default value of CLASSES_ROOT\subKey to text unless it already
// is (ignoring case); true when the registry changed.
bool SetDefaultIfDifferent(const std::wstring& subKey, const std::wstring& text);
// Registers typeId as a URL protocol opened by programPath; true when the
// icon entry (the last step) changed the registry.
bool RegisterUrlType(const std::wstring& typeId, const std::wstring& programPath);
// Everything, for programPath; true when anything changed, so the caller
// tells the shell that associations changed.
bool RegisterWithShell(const std::wstring& programPath);

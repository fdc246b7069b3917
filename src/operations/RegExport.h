// Registry script export ("Windows Registry Editor Version 5.00"); the
// writer's per-key parts are methods of CEzReg (registry/EzReg.h).
#pragma once

#include <string>
#include <string_view>

extern const wchar_t kRegFileHeader[]; // "Windows Registry Editor Version 5.00"
extern const wchar_t kRegFileFilter[]; // the export dialog's filter

// A backslash before every backslash and double quote.
std::wstring EscapeRegText(std::wstring_view text);

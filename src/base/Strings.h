// Small helpers over std::wstring, the program's string type: printf-style
// formatting with the platform's conventions (%s is wide, %I64u is 64-bit),
// case-insensitive comparison and trimming.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zv
{

// Formats with the platform's wide printf rules.
std::wstring Format(const wchar_t* format, ...);
// A count with its noun in the right number: "1 key", "2 keys", "0 keys".
std::wstring Counted(unsigned long long count, const wchar_t* one, const wchar_t* many);
std::wstring FormatV(const wchar_t* format, va_list args);

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) noexcept;
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) noexcept;
// Case-insensitive ordering like the C library's _wcsicmp.
int CompareNoCase(std::wstring_view a, std::wstring_view b) noexcept;

std::wstring ToUpper(std::wstring_view text);
std::wstring TrimSpaces(std::wstring_view text);
bool IsSpace(wchar_t c) noexcept;
// The value of a hexadecimal digit (either case), or -1 for any other character.
int HexDigitValue(wchar_t c) noexcept;

// Replaces every occurrence of from by to, in one pass from the left.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to);

// UTF-16 <-> UTF-8 for the few places that meet narrow text.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// Loads a string-table entry of the running module; empty when missing.
std::wstring LoadResString(unsigned id);

} // namespace zv

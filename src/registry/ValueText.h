// Text forms of registry value data: the display text per type and numeric
// format, the type names, the conversion of text back into data, and the
// editor's conversions between number, hex-byte and escaped-text forms.
#pragma once

#include <windows.h>
#include <string>
#include <string_view>
#include <vector>

// Separator between the strings of a REG_MULTI_SZ in its text form.
extern const wchar_t kMultiStringSeparator[]; // "\r\n"

// "REG_NONE" .. "REG_QWORD" for 0..11; "0x%x" for anything else.
std::wstring TypeName(DWORD type);
// Index of the first type name equal to text (case-sensitive), or -1.
int TypeFromName(std::wstring_view text) noexcept;
// REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD.
bool IsEditableType(DWORD type) noexcept;

// Display text of value data under the current numeric format.
std::wstring ValueDataText(DWORD type, const BYTE* data, DWORD size);

// Bytes as two lower-case hex digits each, separated by separator.
std::wstring BytesToHex(const BYTE* data, size_t length, wchar_t separator = L' ');
// Every hex digit pair of text as one byte (non-digits are ignored; an odd
// last digit is a byte of its own).
std::vector<BYTE> HexTextToBytes(std::wstring_view text);
// Fills at most size bytes of buffer and lowers size to the number produced.
void HexTextToBytes(std::wstring_view text, BYTE* buffer, DWORD& size);

// Numbers with automatic base (0x hex, leading 0 octal, else decimal), C rules
// but strict: the whole text (spaces around it aside) must be the number, and
// it must fit. A minus sign negates within the type's width, as C does ("-1"
// is 0xffffffff), but only a number that fits the width may be negated.
// On failure problem says what is wrong, in words for the user.
bool TryParseDwordText(std::wstring_view text, DWORD& value, std::wstring* problem = nullptr);
bool TryParseQwordText(std::wstring_view text, ULONGLONG& value, std::wstring* problem = nullptr);
// The same, 0 for text that is no number.
DWORD ParseDwordText(std::wstring_view text);
ULONGLONG ParseQwordText(std::wstring_view text);
// Why a text cannot be read as bytes (pairs of hex digits), or empty.
std::wstring HexTextProblem(std::wstring_view text);
// What is wrong with text as the data of type (empty when nothing): number
// texts that are no number or do not fit, byte texts that are no hex.
std::wstring ValueTextProblem(std::wstring_view text, DWORD type);
std::wstring FormatDword(DWORD value);
std::wstring FormatQword(ULONGLONG value);

// Editor conversions; each rewrites text in place.
void DwordTextToHex(std::wstring& text);
void QwordTextToHex(std::wstring& text);
DWORD HexToDwordText(std::wstring& text);
ULONGLONG HexToQwordText(std::wstring& text);

// Binary data as 16-bit units, NUL as \0 and tab as \t; and back. A backslash
// that would otherwise start an escape is written as \x5c, so any bytes read
// back unchanged; a last odd byte is \xHH at the very end.
std::wstring BytesToEscapedText(const BYTE* data, size_t length);
std::vector<BYTE> EscapedTextToBytes(std::wstring_view text);
// Fills at most size bytes of buffer; size becomes the number of bytes produced.
void EscapedTextToBytes(std::wstring_view text, BYTE* buffer, DWORD& size);

// Environment variables expanded, at any length.
std::wstring ExpandEnvironment(std::wstring_view text);

// The data that SetValueText writes for text as type (type must be editable).
std::vector<BYTE> ValueDataFromText(std::wstring_view text, DWORD type);

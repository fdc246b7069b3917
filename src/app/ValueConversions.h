// What the Edit Value dialog does to its texts, without the dialog: the
// conversion of the data text when the type changes, the decimal and
// hexadecimal forms of a DWORD, the spin step, and the informative lines.
#pragma once

#include <windows.h>
#include <optional>
#include <string>

// The dialog's types in the order of its radio buttons.
constexpr DWORD kDialogTypes[] = {REG_SZ,       REG_DWORD,     REG_QWORD, REG_BINARY,
                                  REG_MULTI_SZ, REG_EXPAND_SZ, REG_NONE};
constexpr int kDialogTypeCount = 7;
// A type's place in that list, or -1.
int DialogTypeIndex(DWORD type) noexcept;

struct DataTexts
{
    std::wstring single; // the single-line value text
    std::wstring multi;  // the multi-line text of a multi-string
};

// The texts after the type changes from oldType to newType.
DataTexts ConvertForType(DWORD oldType, DWORD newType, DataTexts texts);

// What a change of type from oldType to newType would lose of the data (the
// bytes the texts stand for), said for the user; nothing when it loses none.
std::optional<std::wstring> TypeChangeLoss(DWORD oldType, DWORD newType, const DataTexts& texts);
// Whether a multi-string's text holds an empty line that writing it drops
// (a list of strings ends at its first empty string); a last line break
// drops nothing.
bool DropsEmptyLines(const std::wstring& multiText);

// A DWORD text in the dialog's two bases: decimal "%u", hexadecimal "0x%08lx".
std::wstring DwordInBase(DWORD value, bool hex);
// A QWORD text in the two bases: decimal "%llu", hexadecimal "0x%016llx".
std::wstring QwordInBase(ULONGLONG value, bool hex);
// Reads a QWORD text as ReadDwordInBase reads a DWORD one; overflow gives
// the largest QWORD.
ULONGLONG ReadQwordInBase(const std::wstring& text, bool hex);
// Reads the text in the base (16 accepts a leading "0x"); stops at the first
// character that is no digit of the base; overflow gives 0xffffffff.
DWORD ReadDwordInBase(const std::wstring& text, bool hex);
// One step of the spin from value by delta, wrapping at 0 and 0xffffffff.
DWORD SpinStep(DWORD value, int delta) noexcept;

// "Expands to: ..." for an expandable string.
std::wstring ExpandsToLine(const std::wstring& text);
// The local date and time that eight bytes of binary data read as a FILETIME
// (a hexadecimal text of exactly eight bytes); none for other texts.
std::optional<std::wstring> DateTimeReading(const std::wstring& hexText);

// The text OK hands on: a DWORD or QWORD typed with Hexadecimal chosen gets
// "0x" in front unless it has it.
std::wstring TextForWriting(const std::wstring& text, DWORD type, bool hex);

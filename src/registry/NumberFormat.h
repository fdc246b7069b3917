// The numeric format in which DWORD and QWORD data are shown: 0 decimal,
// 1 hexadecimal lower case, 2 (or anything else) hexadecimal upper case.
// Held in memory because every value text uses it; persisted by Options.
#pragma once

int NumberFormatIndex() noexcept;
void SetNumberFormatIndex(int index) noexcept;
const wchar_t* DwordFormat() noexcept;
const wchar_t* QwordFormat() noexcept;

// File names made from registry names: control characters dropped, the nine
// characters files may not hold replaced by look-alikes, and names the
// system reserves for devices (CON, NUL, COM1 ...) escaped.
#pragma once

#include <string>
#include <string_view>

std::wstring FileSafeName(std::wstring_view text);
// Whether the system would open name (with any extension) as a device.
bool IsDeviceFileName(std::wstring_view name);
// name cut to at most maxLength characters, never between the two halves of
// a surrogate pair.
std::wstring CutFileName(std::wstring_view name, size_t maxLength);

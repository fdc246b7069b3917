// File-safe names.
#include "base/FileSafeName.h"

#include <cwctype>

bool IsDeviceFileName(std::wstring_view name)
{
    // The system looks at the part before the first dot, without the spaces
    // that end it: "con .txt" is the console too.
    std::wstring_view base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.remove_suffix(1);
    std::wstring upper;
    for (wchar_t c : base)
        upper += static_cast<wchar_t>(std::towupper(c));
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"})
        if (upper == device)
            return true;
    if (upper.size() == 4 && (upper.compare(0, 3, L"COM") == 0 || upper.compare(0, 3, L"LPT") == 0))
    {
        wchar_t digit = upper[3];
        return (digit >= L'0' && digit <= L'9') || digit == L'\u00b9' || digit == L'\u00b2' ||
               digit == L'\u00b3';
    }
    return false;
}

std::wstring CutFileName(std::wstring_view name, size_t maxLength)
{
    if (name.size() <= maxLength)
        return std::wstring(name);
    size_t length = maxLength;
    if (length > 0 && name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF)
        --length; // keep a pair whole
    return std::wstring(name.substr(0, length));
}

std::wstring FileSafeName(std::wstring_view text)
{
    static const wchar_t kUnsafe[] = L"<>/?:*|\"\\";
    static const wchar_t kReplacements[] = L"[]#$;+!'-";
    std::wstring safe;
    safe.reserve(text.size());
    for (wchar_t c : text)
    {
        if (c < 32 || c == 127)
            continue;
        for (int i = 0; kUnsafe[i]; ++i)
        {
            if (c == kUnsafe[i])
            {
                c = kReplacements[i];
                break;
            }
        }
        safe += c;
    }
    // A file named after a device would open the device, not a file.
    if (IsDeviceFileName(safe))
        safe.insert(0, 1, L'_');
    return safe;
}

// File-safe names.
#include "values/FileSafeName.h"

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
    return safe;
}

// The Copy as Text commands' spellings.
#include "app/CopyAsText.h"

#include "resource.h"

PathSpelling PathSpellingOf(UINT command) noexcept
{
    switch (command)
    {
    case ID_COPY_PATH_LONG:
        return PathSpelling::Long;
    case ID_COPY_PATH_SHORT:
        return PathSpelling::Short;
    case ID_COPY_PATH_POWERSHELL:
        return PathSpelling::PowerShell;
    default:
        return PathSpelling::Program;
    }
}

std::wstring TextLines(const std::vector<std::wstring>& lines)
{
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i)
    {
        if (i)
            text += L"\r\n";
        text += lines[i];
    }
    return text;
}

// Registry links, told apart from ordinary keys and made anew.
#include "operations/RegLinks.h"

#include "base/Handles.h"

namespace
{
constexpr REGSAM kView = KEY_WOW64_64KEY;
} // namespace

LONG CreateLinkKey(HKEY parent, const wchar_t* sub, const BYTE* target, DWORD size)
{
    zv::unique_hkey link;
    LONG result = RegCreateKeyExW(parent, sub, 0, nullptr, REG_OPTION_CREATE_LINK, KEY_SET_VALUE | kView,
                                  nullptr, link.put(), nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    return RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK, target, size);
}

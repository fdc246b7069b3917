// Registry links, told apart from ordinary keys and made anew.
#include "operations/RegLinks.h"

#include "base/Handles.h"
#include "base/Strings.h"

namespace
{
constexpr REGSAM kView = KEY_WOW64_64KEY;

struct KeyShape
{
    DWORD subKeys = 0;
    DWORD values = 0;
    FILETIME written = {};
};

bool ShapeOf(HKEY parent, const wchar_t* sub, DWORD options, KeyShape& shape)
{
    zv::unique_hkey key;
    if (RegOpenKeyExW(parent, sub, options, KEY_QUERY_VALUE | kView, key.put()) != ERROR_SUCCESS)
        return false;
    return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &shape.subKeys, nullptr, nullptr,
                            &shape.values, nullptr, nullptr, nullptr, &shape.written) == ERROR_SUCCESS;
}
} // namespace

bool IsLinkValue(const wchar_t* name, DWORD type) noexcept
{
    return type == REG_LINK && name && zv::EqualsNoCase(name, L"SymbolicLinkValue");
}

bool IsLinkKey(HKEY parent, const wchar_t* sub)
{
    // Opened as itself and opened through: a link leads elsewhere (or
    // nowhere, when its target is missing); an ordinary key is itself both
    // times, with the same counts and the same last write.
    KeyShape itself, through;
    if (!ShapeOf(parent, sub, REG_OPTION_OPEN_LINK, itself))
        return false;
    if (!ShapeOf(parent, sub, 0, through))
        return true;
    return itself.subKeys != through.subKeys || itself.values != through.values ||
           CompareFileTime(&itself.written, &through.written) != 0;
}

LONG CreateLinkKey(HKEY parent, const wchar_t* sub, const BYTE* target, DWORD size)
{
    zv::unique_hkey link;
    LONG result = RegCreateKeyExW(parent, sub, 0, nullptr, REG_OPTION_CREATE_LINK, KEY_SET_VALUE | kView,
                                  nullptr, link.put(), nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    return RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK, target, size);
}

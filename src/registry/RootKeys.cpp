// Root key table: names and predefined handles, indexed alike.
#include "registry/RootKeys.h"

#include "base/Strings.h"

const wchar_t kComputerName[] = L"My Computer";

namespace
{
const std::wstring kNames[kRootCount] = {L"CLASSES_ROOT", L"CURRENT_CONFIG", L"CURRENT_USER",
                                         L"LOCAL_MACHINE", L"USERS"};
const HKEY kHandles[kRootCount] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER,
                                   HKEY_LOCAL_MACHINE, HKEY_USERS};
const wchar_t* const kAbbreviations[kRootCount] = {L"HKCR", L"HKCC", L"HKCU", L"HKLM", L"HKU"};
} // namespace

const wchar_t* RootAbbreviation(int index) noexcept
{
    return (index >= 0 && index < kRootCount) ? kAbbreviations[index] : nullptr;
}

int RootIndexFromHkeyName(std::wstring_view word) noexcept
{
    constexpr std::wstring_view kPrefix = L"HKEY_";
    for (int i = 0; i < kRootCount; ++i)
        if (zv::EqualsNoCase(word, kAbbreviations[i]) ||
            (word.size() == kPrefix.size() + kNames[i].size() && zv::StartsWithNoCase(word, kPrefix) &&
             zv::EqualsNoCase(word.substr(kPrefix.size()), kNames[i])))
            return i;
    return -1;
}

const std::wstring& RootName(int index)
{
    static const std::wstring empty;
    return (index >= 0 && index < kRootCount) ? kNames[index] : empty;
}

HKEY RootHandle(int index) noexcept
{
    return (index >= 0 && index < kRootCount) ? kHandles[index] : nullptr;
}

int RootIndexFromName(std::wstring_view name) noexcept
{
    for (int i = 0; i < kRootCount; ++i)
        if (zv::EqualsNoCase(name, kNames[i]))
            return i;
    return -1;
}

HKEY RootHandleFromName(std::wstring_view name) noexcept
{
    return RootHandle(RootIndexFromName(name));
}

bool IsPredefinedRoot(HKEY key) noexcept
{
    if (!key)
        return false;
    // Also covers the other predefined handles (performance data and the like).
    return (reinterpret_cast<ULONG_PTR>(key) & 0xF0000000u) == 0x80000000u;
}

bool IsRootName(std::wstring_view text) noexcept
{
    return RootIndexFromName(text) >= 0;
}

bool SplitRootPath(const std::wstring& path, HKEY& root, std::wstring& sub)
{
    size_t slash = path.find(L'\\');
    root = RootHandleFromName(std::wstring_view(path).substr(0, slash));
    sub = slash == std::wstring::npos ? std::wstring() : path.substr(slash + 1);
    return root != nullptr;
}

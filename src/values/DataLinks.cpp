// Value types and data links.
#include "values/DataLinks.h"

#include "base/Strings.h"
#include "registry/ValueText.h"

#include <shlwapi.h>

#include <cwctype>

namespace
{
const DWORD kEditableTypes[] = {REG_SZ,       REG_DWORD,     REG_QWORD, REG_BINARY,
                                REG_MULTI_SZ, REG_EXPAND_SZ, REG_NONE};

bool IsLetter(wchar_t c) noexcept
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// 8-4-4-4-12 hex digits at the text's start.
bool GuidAt(std::wstring_view text) noexcept
{
    static const int groups[] = {8, 4, 4, 4, 12};
    size_t at = 0;
    for (int g = 0; g < 5; ++g)
    {
        if (g > 0)
        {
            if (at >= text.size() || text[at] != L'-')
                return false;
            ++at;
        }
        for (int i = 0; i < groups[g]; ++i, ++at)
            if (at >= text.size() || zv::HexDigitValue(text[at]) < 0)
                return false;
    }
    return true;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) noexcept
{
    return text.size() >= prefix.size() && _wcsnicmp(text.data(), prefix.data(), prefix.size()) == 0;
}

std::wstring WindowsFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    return n && n <= MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

bool Exists(const std::wstring& path)
{
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path)
{
    DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
} // namespace

std::wstring TypeText(DWORD type)
{
    return TypeName(type);
}

DWORD TypeFromText(std::wstring_view text)
{
    int named = TypeFromName(text);
    if (named >= 0)
        return static_cast<DWORD>(named);
    if (!text.empty() && text[0] == L'0')
    {
        std::wstring digits(text.size() > 2 ? text.substr(2) : std::wstring_view());
        return static_cast<DWORD>(wcstoul(digits.c_str(), nullptr, 16));
    }
    return 0;
}

int TypeIcon(DWORD type) noexcept
{
    for (int i = 0; i < static_cast<int>(std::size(kEditableTypes)); ++i)
        if (kEditableTypes[i] == type)
            return i + 1;
    return kIconOtherType;
}

size_t FindGuid(std::wstring_view text) noexcept
{
    if (GuidAt(text))
        return 0;
    for (size_t brace = text.find(L'{'); brace != std::wstring_view::npos; brace = text.find(L'{', brace + 1))
    {
        std::wstring_view rest = text.substr(brace + 1);
        if (GuidAt(rest) && rest.size() > 36 && rest[36] == L'}')
            return brace;
    }
    return std::wstring_view::npos;
}

bool FindFilePath(std::wstring_view input, std::wstring* path)
{
    if (input.empty() || StartsWithNoCase(input, L"\\Device\\"))
        return false;
    std::wstring raw(input.substr(0, 512));
    wchar_t expanded[512];
    std::wstring original(input);
    DWORD needed = ExpandEnvironmentStringsW(original.c_str(), expanded, 512);
    std::wstring text = needed && needed <= 512 ? std::wstring(expanded) : raw;

    size_t at = 0;
    while (at < text.size() && (iswspace(text[at]) || text[at] == L'"'))
        ++at;
    std::wstring_view rest = std::wstring_view(text).substr(at);
    if (StartsWithNoCase(rest, L"file:"))
        rest.remove_prefix(5);

    std::wstring relative; // below the Windows folder
    std::wstring absolute;
    if (StartsWithNoCase(rest, L"system32"))
        relative = rest;
    else if (StartsWithNoCase(rest, L"\\SystemRoot\\"))
        relative = rest.substr(12);
    else if (rest.size() >= 4 && IsLetter(rest[0]) && rest[1] == L';' && iswdigit(rest[2]) && rest[3] == L';')
        relative = rest.substr(4);
    else
    {
        while (!rest.empty() && (rest[0] == L'/' || rest[0] == L'@'))
            rest.remove_prefix(1);
        if (rest.empty())
            return false;
        bool drive = rest.size() >= 2 && IsLetter(rest[0]) && (rest[1] == L':' || rest[1] == L'?') &&
                     (rest.size() == 2 || rest[2] == L'\\');
        bool rooted = rest.size() >= 2 && rest[0] == L'\\' && IsLetter(rest[1]);
        bool unc = rest.size() >= 3 && rest[0] == L'\\' && rest[1] == L'\\' && IsLetter(rest[2]);
        if (drive || rooted || unc)
        {
            if (!path)
                return true;
            absolute = rest;
            if (drive && absolute[1] == L'?')
                absolute[1] = L':';
            if (rooted)
                absolute = L"C:" + absolute;
        }
        else
        {
            if (!path)
                return false;
            relative = rest;
        }
    }
    if (!path)
        return true;

    std::wstring candidate;
    if (!absolute.empty())
        candidate = absolute;
    else
    {
        wchar_t joined[MAX_PATH * 2] = {};
        std::wstring folder = WindowsFolder();
        wcsncpy(joined, folder.c_str(), MAX_PATH);
        std::wstring piece = relative.substr(0, MAX_PATH);
        if (!PathAppendW(joined, piece.c_str()))
            return false;
        candidate = joined;
    }
    for (size_t i = 0; i < candidate.size(); ++i)
    {
        wchar_t c = candidate[i];
        if (c < 32 || c == 127 || wcschr(L",;|<>*?\"", c))
        {
            candidate.resize(i);
            break;
        }
    }
    if (Exists(candidate))
    {
        *path = candidate;
        return true;
    }
    wchar_t onPath[MAX_PATH] = {};
    wcsncpy(onPath, candidate.c_str(), MAX_PATH - 1);
    if (!candidate.empty() && PathFindOnPathW(onPath, nullptr))
    {
        *path = onPath;
        return true;
    }
    for (size_t i = candidate.size(); i-- > 0;)
    {
        wchar_t c = candidate[i];
        if (c == L'\\' || c == L'/' || c == L' ')
        {
            std::wstring shorter = candidate.substr(0, i);
            if (IsFolder(shorter))
            {
                *path = shorter;
                return true;
            }
        }
    }
    return false;
}

bool FileExists(std::wstring_view path)
{
    std::wstring text(path);
    for (const std::wstring& candidate : {text, ExpandEnvironment(text)})
    {
        DWORD attributes = GetFileAttributesW(candidate.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return true;
    }
    return false;
}

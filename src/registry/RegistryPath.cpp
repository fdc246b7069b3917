// Registry path parsing and path arithmetic.
#include "registry/RegistryPath.h"

#include "base/Strings.h"
#include "registry/EzReg.h"
#include "registry/RootKeys.h"

#include <windows.h>

#include <algorithm>
#include <vector>

const wchar_t kClassesInfix[] = L"\\Software\\Classes";
const wchar_t kConfigInfix[] = L"\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current";

namespace
{
// The prefixes stripped from the start of a location come first; the rest are
// further words with which a registry path may begin.
const wchar_t* const kPathStartWords[] = {L"zorvane:",       L"reg:",
                                          L"Registry\\",     L"Computer\\",
                                          L"My Computer\\",  L"Poste de travail\\",
                                          L"Arbeitsplatz\\", L"Risorse del computer\\",
                                          L"HKEY_",          L"LOCAL_MACHINE",
                                          L"CURRENT_USER",   L"USERS",
                                          L"CURRENT_CONFIG", L"CLASSES_ROOT",
                                          L"MACHINE",        L"HKLM",
                                          L"HKCU",           L"HKU",
                                          L"HKCC",           L"HKCR",
                                          L"Software\\",     L"USR:"};
constexpr size_t kPrefixCount = 9;
constexpr size_t kPathStartWordCount = sizeof(kPathStartWords) / sizeof(kPathStartWords[0]);

struct RootAlias
{
    const wchar_t* word;
    int root;
};
// Besides the abbreviations (HKCR ... HKU).
const RootAlias kRootAliases[] = {
    {L"CURRENTCONFIG", kRootConfig},
    {L"CONFIG", kRootConfig},
    {L"CURRENTUSER", kRootUser},
    {L"USER", kRootUser},
    {L"USR:", kRootUser},
    {L"LOCALMACHINE", kRootMachine},
    {L"MACHINE", kRootMachine},
};

bool IsSeparator(wchar_t c) noexcept
{
    return c == L'\\' || c == L'/';
}

// Skips every prefix of the list that the text at pos begins with, in list
// order, and the slashes after each try. Returns the new position.
size_t SkipPrefixes(std::wstring_view text, size_t pos)
{
    for (size_t i = 0; i < kPrefixCount; ++i)
    {
        std::wstring_view prefix(kPathStartWords[i]);
        if (zv::StartsWithNoCase(text.substr(pos), prefix))
            pos += prefix.size();
        while (pos < text.size() && IsSeparator(text[pos]))
            ++pos;
    }
    return pos;
}

// Turns the collected root word into a root name, or into the first key below
// the user's or the machine's root. False when it names nothing.
bool ResolveRootWord(std::wstring& result)
{
    result = zv::ReplaceAll(zv::ReplaceAll(result, L" ", L""), L"%20", L"");
    if (result.empty())
        return false;
    // The form of the system's shell drives: "HKCU:", "HKLM:".
    std::wstring withoutColon =
        result.size() > 1 && result.back() == L':' ? result.substr(0, result.size() - 1) : std::wstring();
    for (const std::wstring* word : {&result, &withoutColon})
    {
        if (word->empty())
            continue;
        if (IsRootName(*word))
        {
            result = *word;
            return true;
        }
        if (int root = RootIndexFromHkeyName(*word); root >= 0)
        {
            result = RootName(root);
            return true;
        }
        for (const RootAlias& alias : kRootAliases)
            if (zv::EqualsNoCase(*word, alias.word))
            {
                result = RootName(alias.root);
                return true;
            }
    }
    for (int root : {kRootUser, kRootMachine})
    {
        std::wstring candidate = RootName(root) + L"\\" + result;
        if (KeyExists(candidate))
        {
            result = std::move(candidate);
            return true;
        }
    }
    result.clear();
    return false;
}

// A forward slash survives only where a key whose name contains it exists.
// Below a key that does not exist nothing exists, and no key name is longer
// than 255 characters, so the existence tests stop early: the cost stays
// linear in the text whatever its slashes.
void ApplySlashRule(std::wstring& result)
{
    constexpr size_t kLongestKeyName = 255;
    size_t root = result.find_first_of(L"\\/");
    if (root == std::wstring::npos)
        return;
    result[root] = L'\\';
    size_t componentStart = root + 1;
    // Whether the key before componentStart exists; the root word was resolved.
    bool parentExists = true;
    bool parentKnown = true;
    for (size_t i = componentStart; i < result.size(); ++i)
    {
        if (result[i] == L'\\')
        {
            parentKnown = false;
            componentStart = i + 1;
            continue;
        }
        if (result[i] != L'/')
            continue;
        if (!parentKnown)
        {
            parentExists = parentExists && KeyExists(std::wstring_view(result).substr(0, componentStart - 1));
            parentKnown = true;
        }
        if (!parentExists)
            return;
        if (i - componentStart > kLongestKeyName)
            continue;
        size_t j = result.find(L'\\', i + 1);
        if (j == std::wstring::npos)
            j = result.size();
        if (!KeyExists(std::wstring_view(result).substr(0, j)) &&
            KeyExists(std::wstring_view(result).substr(0, i)))
        {
            result[i] = L'\\';
            componentStart = i + 1;
            parentExists = true; // the key before the new backslash was just seen
            parentKnown = true;
        }
    }
}

// The text without control characters, and without the brackets of a
// registry script's section line or the quotes around a pasted path.
std::wstring CleanedLocation(std::wstring_view text)
{
    std::wstring clean;
    clean.reserve(text.size());
    for (wchar_t c : text)
        if (c >= 32 && c != 127)
            clean += c;
    // Spaces outside a pair go with it; otherwise trailing spaces stay, as
    // a key name may end with one. Pairs nest: a quoted section line.
    for (;;)
    {
        size_t first = clean.find_first_not_of(L' ');
        size_t last = clean.find_last_not_of(L' ');
        if (first == std::wstring::npos || last <= first ||
            !((clean[first] == L'[' && clean[last] == L']') || (clean[first] == L'"' && clean[last] == L'"')))
            return clean;
        clean = clean.substr(first + 1, last - first - 1);
    }
}
} // namespace

bool ParseRegistryPath(std::wstring_view original, std::wstring& path)
{
    const std::wstring text = CleanedLocation(original);
    std::wstring result;
    bool atStart = true;
    bool inRoot = true;
    size_t pos = 0;
    while (pos < text.size())
    {
        wchar_t c = text[pos];
        if (atStart && !IsCharAlphaW(c))
        {
            ++pos;
            continue;
        }
        if (atStart)
        {
            size_t skipped = SkipPrefixes(text, pos);
            if (skipped != pos)
            {
                pos = skipped;
                continue;
            }
        }
        if (IsSeparator(c))
        {
            // A run of separators is one: a backslash when the run holds one.
            size_t end = pos;
            bool backslash = false;
            for (; end < text.size() && IsSeparator(text[end]); ++end)
                backslash = backslash || text[end] == L'\\';
            c = backslash ? L'\\' : L'/';
            pos = end - 1;
        }
        result += c;
        atStart = false;
        ++pos;
        if (inRoot && (pos >= text.size() || IsSeparator(text[pos])))
        {
            inRoot = false;
            if (!ResolveRootWord(result))
            {
                path.clear();
                return false;
            }
        }
    }
    ApplySlashRule(result);
    while (!result.empty() && result.back() == L'\\')
        result.pop_back();
    path = result;
    return !path.empty();
}

bool SplitKeyAndValue(std::wstring_view text, std::wstring& keyPath, std::wstring& valueName)
{
    size_t tab = text.rfind(L'\t');
    if (tab == std::wstring_view::npos)
    {
        keyPath = std::wstring(text);
        valueName.clear();
        return false;
    }
    std::wstring key(text.substr(0, tab));
    valueName = std::wstring(text.substr(tab + 1));
    keyPath = std::move(key);
    return true;
}

namespace
{
thread_local size_t t_keyExistsChecks = 0;
} // namespace

size_t KeyExistsChecks() noexcept
{
    return t_keyExistsChecks;
}

bool KeyExists(std::wstring_view path)
{
    ++t_keyExistsChecks;
    CEzReg reader(path);
    if (reader.IsComputer())
        return true;
    return reader.Open(READ_CONTROL) && reader.Key != nullptr;
}

namespace
{
std::vector<std::wstring_view> Components(std::wstring_view text)
{
    std::vector<std::wstring_view> parts;
    size_t at = 0;
    while (at <= text.size())
    {
        size_t slash = text.find(L'\\', at);
        if (slash == std::wstring_view::npos)
            slash = text.size();
        if (slash > at)
            parts.push_back(text.substr(at, slash - at));
        at = slash + 1;
    }
    return parts;
}

// The kernel's full name of an open key ("\REGISTRY\USER\S-1-5-...\Software\X").
std::wstring KernelKeyName(HKEY key)
{
    // ntdll's key query, found at run time: the headers of the cross
    // compiler do not all declare it.
    using QueryKey = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    constexpr int kKeyNameInformation = 3;
    static const QueryKey query = reinterpret_cast<QueryKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    if (!query || !key)
        return {};
    std::vector<BYTE> buffer(1024);
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        ULONG needed = 0;
        LONG status =
            query(key, kKeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status >= 0)
        {
            ULONG bytes = *reinterpret_cast<const ULONG*>(buffer.data());
            bytes = std::min<ULONG>(bytes, static_cast<ULONG>(buffer.size() - sizeof(ULONG)));
            return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof(ULONG)),
                                bytes / sizeof(wchar_t));
        }
        if (needed <= buffer.size())
            return {};
        buffer.resize(needed + sizeof(wchar_t));
    }
    return {};
}
} // namespace

std::wstring RegistrySpelling(std::wstring_view path)
{
    size_t slash = path.find(L'\\');
    std::wstring_view rootText = path.substr(0, slash);
    int root = RootIndexFromName(rootText);
    if (root < 0)
        return std::wstring(path);
    std::wstring spelled = RootName(root);
    if (slash == std::wstring_view::npos)
        return spelled;
    std::vector<std::wstring_view> typed = Components(path.substr(slash + 1));
    CEzReg key(path);
    std::wstring kernel = key.Open(READ_CONTROL) ? KernelKeyName(key.Key) : std::wstring();
    std::vector<std::wstring_view> stored = Components(kernel);
    // The key's own names are the last ones of the kernel's name.
    size_t offset = stored.size() >= typed.size() ? stored.size() - typed.size() : 0;
    for (size_t i = 0; i < typed.size(); ++i)
    {
        spelled += L'\\';
        bool same = !kernel.empty() && stored.size() >= typed.size() &&
                    zv::EqualsNoCase(stored[offset + i], typed[i]);
        spelled += same ? stored[offset + i] : typed[i];
    }
    return spelled;
}

std::optional<std::wstring> ParentPath(std::wstring_view path)
{
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring_view::npos || slash == 0)
        return std::nullopt;
    return std::wstring(path.substr(0, slash));
}

std::wstring ClosestExistingKey(std::wstring_view path)
{
    std::wstring current(path);
    while (!current.empty() && !KeyExists(current))
    {
        std::optional<std::wstring> parent = ParentPath(current);
        current = parent ? *parent : std::wstring();
    }
    return current;
}

bool StartsWithBracedGuid(std::wstring_view text)
{
    static const int groups[] = {8, 4, 4, 4, 12};
    if (text.empty() || text[0] != L'{')
        return false;
    size_t pos = 1;
    for (int g = 0; g < 5; ++g)
    {
        for (int k = 0; k < groups[g]; ++k, ++pos)
            if (pos >= text.size() || zv::HexDigitValue(text[pos]) < 0)
                return false;
        wchar_t expected = g < 4 ? L'-' : L'}';
        if (pos >= text.size() || text[pos] != expected)
            return false;
        ++pos;
    }
    return true;
}

bool ResolveRelative(std::wstring_view currentPath, std::wstring_view text, std::wstring& path)
{
    while (!text.empty() && text.front() == L'\\')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    std::wstring base(currentPath);
    if (base.empty() || base.back() != L'\\')
        base += L'\\';
    std::wstring candidate = base + std::wstring(text);
    if (KeyExists(candidate))
    {
        path = std::move(candidate);
        return true;
    }
    size_t slash = currentPath.rfind(L'\\');
    if (slash == std::wstring_view::npos)
        return false;
    std::wstring_view last = currentPath.substr(slash + 1);
    if (zv::EqualsNoCase(last, L"ProgID") || StartsWithBracedGuid(last))
    {
        candidate = RootName(kRootClasses) + L"\\" + std::wstring(text);
        if (KeyExists(candidate))
        {
            path = std::move(candidate);
            return true;
        }
    }
    if (!zv::EqualsNoCase(last, text))
    {
        candidate = std::wstring(currentPath.substr(0, slash + 1)) + std::wstring(text);
        if (KeyExists(candidate))
        {
            path = std::move(candidate);
            return true;
        }
    }
    return false;
}

bool IsSameOrUnder(std::wstring_view path, std::wstring_view parent)
{
    if (zv::EqualsNoCase(path, parent))
        return true;
    return path.size() > parent.size() && path[parent.size()] == L'\\' && zv::StartsWithNoCase(path, parent);
}

bool LooksLikeRegistryPath(std::wstring_view text)
{
    size_t pos = 0;
    while (pos < text.size() && !IsCharAlphaW(text[pos]))
        ++pos;
    std::wstring_view rest = text.substr(pos);
    for (size_t i = 0; i < kPathStartWordCount; ++i)
        if (zv::StartsWithNoCase(rest, kPathStartWords[i]))
            return true;
    return false;
}

bool FindGuidKey(std::wstring_view guid, std::wstring& path)
{
    static const wchar_t* const kDefiningKeys[] = {L"CLSID", L"Interface", L"TypeLib", L"AppID",
                                                   L"Component Categories"};
    for (const wchar_t* key : kDefiningKeys)
    {
        std::wstring candidate = RootName(kRootClasses) + L"\\" + key + L"\\" + std::wstring(guid);
        if (KeyExists(candidate))
        {
            path = std::move(candidate);
            return true;
        }
    }
    return false;
}

std::wstring SpellPath(const std::wstring& path, PathSpelling spelling)
{
    if (path.empty() || spelling == PathSpelling::Program)
        return path;
    size_t slash = path.find(L'\\');
    int root = RootIndexFromName(std::wstring_view(path).substr(0, slash));
    if (root < 0)
        return path;
    std::wstring rest = slash == std::wstring::npos ? std::wstring() : path.substr(slash);
    switch (spelling)
    {
    case PathSpelling::Long:
        return L"HKEY_" + RootName(root) + rest;
    case PathSpelling::Short:
        return RootAbbreviation(root) + rest;
    case PathSpelling::PowerShell:
        // Only these two roots have a drive of their own.
        if (root == kRootUser || root == kRootMachine)
            return std::wstring(RootAbbreviation(root)) + L":" + (rest.empty() ? L"\\" : rest);
        return L"Registry::HKEY_" + RootName(root) + rest;
    default:
        return path;
    }
}

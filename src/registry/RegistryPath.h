// Typed-in locations in their many spellings turned into registry paths, and
// the path operations built on them: relative names, closest existing parent,
// corresponding keys under other roots, and comparisons.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Normalises any accepted spelling to a registry path; false (and an empty
// path) when the text names no key.
bool ParseRegistryPath(std::wstring_view text, std::wstring& path);
// Cuts a location at its last tab into key path and value name; false without a tab.
bool SplitKeyAndValue(std::wstring_view text, std::wstring& keyPath, std::wstring& valueName);
// The key opens with READ_CONTROL.
bool KeyExists(std::wstring_view path);
// How many times KeyExists asked the registry on this thread: each is a call
// into the registry, the cost that decides how long parsing a location takes.
size_t KeyExistsChecks() noexcept;
// The text before the last backslash; none when there is no backslash or it stands first.
std::optional<std::wstring> ParentPath(std::wstring_view path);
// path as the registry spells it: the root's short name, and each sub-key
// name in the case the registry stores (one name query of the opened key).
// A component the registry names otherwise (a link) keeps the given text; a
// key that cannot be opened keeps the whole path as given.
std::wstring RegistrySpelling(std::wstring_view path);
// The path itself when it exists, else its nearest existing ancestor, else "".
std::wstring ClosestExistingKey(std::wstring_view path);
// Resolves a bare key name against the current key (child, class, sibling).
bool ResolveRelative(std::wstring_view currentPath, std::wstring_view text, std::wstring& path);
// The key under targetRoot (a root index) that corresponds to currentPath.
std::wstring CorrespondingKey(std::wstring_view currentPath, int targetRoot);
bool CanGoToMachineKey(std::wstring_view currentPath);
bool CanGoToUserKey(std::wstring_view currentPath);
bool CanGoToClassesKey(std::wstring_view currentPath);
bool CanGoToConfigKey(std::wstring_view currentPath);
// path equals parent, or lies below it (both ignoring case).
bool IsSameOrUnder(std::wstring_view path, std::wstring_view parent);
// After leading non-letters, the text starts with a registry root or prefix word.
bool LooksLikeRegistryPath(std::wstring_view text);
// The text starts with {8-4-4-4-12 hex digits}.
bool StartsWithBracedGuid(std::wstring_view text);

extern const wchar_t kClassesInfix[]; // "\Software\Classes"
extern const wchar_t kConfigInfix[];  // "\SYSTEM\CurrentControlSet\Hardware Profiles\Current"

// The key that defines a braced GUID: CLASSES_ROOT\ CLSID, Interface, TypeLib,
// AppID or Component Categories \<guid>, the first that exists.
bool FindGuidKey(std::wstring_view guid, std::wstring& path);

// The spellings of a registry path that other programs take.
enum class PathSpelling
{
    Program,    // CURRENT_USER\Software\X (this program's own)
    Long,       // HKEY_CURRENT_USER\Software\X (registry scripts, reg.exe)
    Short,      // HKCU\Software\X
    PowerShell, // HKCU:\Software\X, or Registry::HKEY_USERS\X for a root without a drive
};
// path (the program's form) in the spelling asked for; the computer level
// stays empty.
std::wstring SpellPath(const std::wstring& path, PathSpelling spelling);

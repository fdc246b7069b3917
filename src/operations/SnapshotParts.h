// What capturing, restoring and comparing registry snapshots share: the
// access they ask for, and reading a key's security, values and names.
// Internal to the snapshot files of operations/.
#pragma once

#include "operations/RegSnapshot.h"
#include "registry/KeySource.h"

#include <windows.h>
#include <string>
#include <vector>

namespace snapshot
{
constexpr REGSAM kView = KEY_WOW64_64KEY;
// Restoring asks for what the key allows: a key whose own list denies
// setting values still has its tree and permissions put back, and only a
// write that is really needed fails.
constexpr REGSAM kRestoreAccess = MAXIMUM_ALLOWED | kView;
constexpr SECURITY_INFORMATION kSecurityParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
// Why a region kept in a file cannot be restored or compared.
inline constexpr wchar_t kUnreadableState[] =
    L"what undo kept of it cannot be read back (its temporary file is damaged or gone)";

// The parent path of path, and its last name.
std::wstring ParentOf(const std::wstring& path);
std::wstring LeafOf(const std::wstring& path);
// A value's name as messages show it: quoted, or "(Default)".
std::wstring Quoted(const std::wstring& name);
// The parts of a security descriptor as SDDL ("" when unreadable).
std::wstring SecurityText(PSECURITY_DESCRIPTOR descriptor, SECURITY_INFORMATION parts);
// A key's owner, group and access list as SDDL ("" when unreadable).
std::wstring ReadSecurity(HKEY key);
// A key's values with their names as spelled, types and bytes.
LONG ReadValues(HKEY key, std::vector<SavedValue>& values);
// A key's sub-key names as spelled.
LONG ReadChildNames(HKEY key, std::vector<std::wstring>& names);
// The same through a key source, with the caller's buffers for the walk.
LONG ReadValues(const SourceKey& key, std::vector<SavedValue>& values, ValueEntry& value);
LONG ReadChildNames(const SourceKey& key, std::vector<std::wstring>& names, SubKeyEntry& child);
// How the registry spells the child of parentPath named (any case) name.
std::wstring SpelledChild(const std::wstring& parentPath, const std::wstring& name);
// The value or child of that name ignoring case, or null.
const SavedValue* FindValue(const std::vector<SavedValue>& values, const std::wstring& name);
const SavedKey* FindChild(const std::vector<SavedKey>& children, const std::wstring& name);
} // namespace snapshot

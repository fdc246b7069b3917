// Key trees for transfer and export tests, and their comparison.
#pragma once

#include "support/RegistrySandbox.h"

#include <map>
#include <ostream>
#include <string>
#include <vector>

struct ValueSnapshot
{
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const ValueSnapshot& o) const { return type == o.type && data == o.data; }
};
void PrintTo(const ValueSnapshot& value, std::ostream* out);

// Every key below a root (relative path -> its values by name), read with the
// raw registry functions.
using TreeSnapshot = std::map<std::wstring, std::map<std::wstring, ValueSnapshot>>;
TreeSnapshot SnapshotTree(HKEY root, const std::wstring& subKey);

// A tree holding every value type, awkward names, a default value, empty data
// and binary data long enough to wrap; below the sandbox's sub.
void BuildEveryTypeTree(const RegistrySandbox& box, const std::wstring& sub);

// Runs a program of the Wine prefix (such as reg.exe) and returns its exit code.
DWORD RunProgram(const std::wstring& commandLine, DWORD timeoutMs = 60000);

// The SID text of the user CURRENT_USER belongs to.
std::wstring CurrentUserSid();

bool KeyExistsRaw(HKEY root, const std::wstring& subKey);

// Makes box\sub a link to box\target; its target value's bytes.
std::vector<BYTE> MakeLink(const RegistrySandbox& box, const std::wstring& sub, const std::wstring& target);
// Deletes the link box\sub itself.
void DeleteLink(const RegistrySandbox& box, const std::wstring& sub);

// A fresh path in the temporary folder for a file of a test's own.
std::wstring TempFilePath(const std::wstring& name);
// A file's whole content, and the same read as UTF-16 after its byte-order mark.
std::vector<BYTE> ReadFileBytes(const std::wstring& path);
std::wstring ReadUtf16File(const std::wstring& path);

// A key's own security as a rename or move must carry it.
struct KeySecurity
{
    std::vector<std::pair<BYTE, ACCESS_MASK>> own; // type and mask of each entry not inherited
    bool isProtected = false;
    std::wstring owner;
};
KeySecurity SecurityOf(const RegistrySandbox& box, const std::wstring& sub);
// Gives sub an entry of its own that denies everyone the setting of values,
// protected or not, and (when asked) SYSTEM as its owner.
void LockDown(const RegistrySandbox& box, const std::wstring& sub, bool protect, bool systemOwner);

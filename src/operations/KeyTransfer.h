// Key and value transfer: deleting, creating, copying, pasting and renaming
// keys and values of the live registry, over a key reader (CEzReg).
#pragma once

#include "base/WorkerThread.h"
#include "operations/SubKeyCount.h" // CountKeyTree
#include "registry/EzReg.h"
#include "registry/KeySource.h"

#include <windows.h>
#include <functional>
#include <string>
#include <string_view>

struct SecurityCarry;

// Deletes key with its whole sub-tree (a link by itself, never what it
// points to); key.LastError says why not.
bool DeleteTree(CEzReg& key);
inline bool DeleteTree(CEzReg&& key)
{
    return DeleteTree(key);
}
bool DeleteSubkeys(CEzReg& key);
// Creates base, "base 01" ... "base 99" below key, the first that is new.
bool CreateUniqueSubkey(CEzReg& key, std::wstring_view baseName, std::wstring& created);
// Whether key may receive a copy of sourcePath (guards against copying a
// tree into itself, also through aliased roots).
bool CheckCopyTarget(CEzReg& key, std::wstring_view sourcePath, std::wstring& error);
// A paste of one item: done under usedName (".2", ".copy" when the name was
// taken), declined by the user, or failed.
enum class PasteOutcome
{
    Done,
    Declined,
    Failed,
};
PasteOutcome PasteKeyAs(CEzReg& key, std::wstring_view sourcePath, bool move, std::wstring& usedName);
PasteOutcome PasteValueAs(CEzReg& key, std::wstring_view sourceKeyPath, std::wstring_view valueName,
                          bool move, std::wstring& usedName);
// The same, true unless the paste failed (a declined paste changes nothing).
bool PasteKey(CEzReg& key, std::wstring_view sourcePath, bool move);
inline bool PasteKey(CEzReg&& key, std::wstring_view sourcePath, bool move)
{
    return PasteKey(key, sourcePath, move);
}
bool PasteValue(CEzReg& key, std::wstring_view sourceKeyPath, std::wstring_view valueName, bool move);
// Copies key's tree as destinationParent\newName, byte for byte; with carry,
// every key's owner and own access entries too (a rename or move), noting
// there the keys whose permissions stayed behind.
bool CopyTreeTo(CEzReg& key, HKEY destinationParent, std::wstring_view newName,
                SecurityCarry* carry = nullptr);
// keyName, or keyName.2, keyName.3 ... whichever is free below key.
std::wstring UniqueSubkeyName(CEzReg& key, std::wstring_view keyName);
bool RenameSubkey(CEzReg& key, std::wstring_view oldName, std::wstring_view newName);
bool RenameValue(CEzReg& key, std::wstring_view oldName, std::wstring_view newName);
// Whether a key named name (exactly) lies anywhere below path of source
// (links are not followed).
bool FindSubkeyInTree(const KeySource& source, const std::wstring& path, std::wstring_view name);

// Deletes the key at path with its tree, refusing roots, the keys directly
// below LOCAL_MACHINE and the roots of loaded hives, retrying once after
// taking ownership.
bool DeleteRegistryKey(std::wstring_view path);
// The same, calling onKeyDeleted after each key that goes (for progress).
bool DeleteRegistryKey(std::wstring_view path, const std::function<void()>& onKeyDeleted);

// Why name cannot name a key (empty, a backslash, over 255 characters), or
// empty when it can.
std::wstring KeyNameProblem(std::wstring_view name);

// Whether DeleteRegistryKey refuses path outright.
bool IsProtectedKey(std::wstring_view path);
// What the user is told when a new value name is taken.
std::wstring ValueExistsText(const std::wstring& name);
std::wstring KeyExistsText(const std::wstring& name);
// What the user is told when a delete or a move meets a loaded hive's root.
std::wstring HiveRootDeleteRefusal(const std::wstring& path);

extern const wchar_t kRecursionGuardName[]; // "Zorvane-CopyKey-Infinite-Recursion-Guard"

// The function every transfer writes values with; tests replace it to make a
// write fail at a chosen moment.
using SetValueFunction = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
extern SetValueFunction g_transferSetValue;

// Writes a value with exactly size bytes of data (through setter, by default
// g_transferSetValue). The platform adds a NUL to string data whose last unit
// is not one when the unit after the data happens to be NUL (taking it for a
// forgotten terminator), and for one byte of data it looks at the unit before
// the data; the copy here makes sure neither can happen.
LONG SetValueExactly(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD size,
                     SetValueFunction setter = nullptr);

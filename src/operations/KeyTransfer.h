// Free functions of key transfer; the per-key operations are methods of
// CEzReg (registry/EzReg.h, implemented in KeyTransfer.cpp).
#pragma once

#include "base/WorkerThread.h"

#include <windows.h>
#include <functional>
#include <string>
#include <string_view>

// Deletes the key at path with its tree, refusing roots, the keys directly
// below LOCAL_MACHINE and the roots of loaded hives, retrying once after
// taking ownership.
bool DeleteRegistryKey(std::wstring_view path);
// The same, calling onKeyDeleted after each key that goes (for progress).
bool DeleteRegistryKey(std::wstring_view path, const std::function<void()>& onKeyDeleted);

// What lies below a key: its sub-keys at every depth and their values
// (links counted as keys, not followed).
struct KeyTreeCount
{
    DWORD keys = 0;
    DWORD values = 0;
};
KeyTreeCount CountKeyTree(const std::wstring& path, const zv::StopToken& stop = {});
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

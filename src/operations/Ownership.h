// Taking ownership of key trees for the Administrators group.
#pragma once

#include <windows.h>
#include <aclapi.h>
#include <string>
#include <string_view>

// The path as the named-security functions take it: "LOCAL_" dropped, so
// LOCAL_MACHINE\X becomes MACHINE\X.
std::wstring SecurityObjectName(std::wstring_view path);

// Makes Administrators the owner of path (and, when recursive, of every key
// below it, parents first); with grant also sets a two-entry access list
// (Everyone read, Administrators full control). On failure the thread's last
// error holds the reason.
bool TakeOwnership(std::wstring_view path, bool recursive, bool grant);
bool SetOwnerTree(const std::wstring& path, bool recursive, PACL acl, PSID owner);

// Runs TakeOwnership(path, recursive) on a worker thread of its own and
// reports a failure in a message box.
bool StartTakeOwnershipThread(std::wstring_view path);

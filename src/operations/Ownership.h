// Taking ownership of key trees for the Administrators group.
#pragma once

#include "base/WorkerThread.h"

#include <windows.h>
#include <aclapi.h>
#include <string>
#include <string_view>

// The path as the named-security functions take it: the root in their own
// spelling (LOCAL_MACHINE\X becomes MACHINE\X, current_user CURRENT_USER)
// and CURRENT_CONFIG as the machine key it stands for.
std::wstring SecurityObjectName(std::wstring_view path);

// Makes Administrators the owner of path (and, when recursive, of every key
// below it, parents first); with grant also sets a two-entry access list
// (Everyone read, Administrators full control). On failure the thread's last
// error holds the reason. A stop request ends the walk (a failure with
// ERROR_CANCELLED).
bool TakeOwnership(std::wstring_view path, bool recursive, bool grant, const zv::StopToken& stop = {});
bool SetOwnerTree(const std::wstring& path, bool recursive, PACL acl, PSID owner,
                  const zv::StopToken& stop = {});

// What a failed take ownership tells the user, before the system's text.
extern const wchar_t kTakeOwnershipFailed[];

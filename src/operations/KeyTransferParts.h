// What deleting, copying and renaming keys share. Internal to the key
// transfer files of operations/.
#pragma once

#include "operations/KeySecurityCarry.h"

#include <windows.h>

namespace transfer
{
constexpr REGSAM kReadTree = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

// The numbers of sub-keys and values of key; false when it cannot be asked.
bool QueryCounts(HKEY key, DWORD& subKeys, DWORD& values);

// After a copy that could not carry every key's permissions: whether the
// user still wants the original removed.
bool AcceptUncarriedSecurity(const SecurityCarry& carry);
} // namespace transfer

// The live registry as a key source (64-bit view), and telling its links
// apart from ordinary keys. Window-free.
#pragma once

#include "registry/KeySource.h"

#include <windows.h>

// Whether sub below parent is a link (not a key that only holds a value that
// looks like one). Opens the key twice, so callers ask only when a value
// made them think so.
bool IsLinkKey(HKEY parent, const wchar_t* sub);

// How many registry requests the live registry's source has made in this
// process (opens and closes included): benchmarks divide it by the keys
// a walk read.
unsigned long long LiveRegistryRequests() noexcept;

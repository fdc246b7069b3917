// Registry links: keys made with REG_OPTION_CREATE_LINK, whose value
// "SymbolicLinkValue" (type REG_LINK) names the key they stand for. Copies,
// moves and the snapshots of undo keep a link a link: they never follow it
// into the tree it points to, which lives elsewhere. Window-free.
#pragma once

#include "registry/LiveRegistry.h" // IsLinkValue, IsLinkKey

#include <windows.h>

// Makes sub below parent a new link whose target value holds size bytes of
// target; the platform's error code.
LONG CreateLinkKey(HKEY parent, const wchar_t* sub, const BYTE* target, DWORD size);

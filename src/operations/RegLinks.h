// Registry links: keys made with REG_OPTION_CREATE_LINK, whose value
// "SymbolicLinkValue" (type REG_LINK) names the key they stand for. Copies,
// moves and the snapshots of undo keep a link a link: they never follow it
// into the tree it points to, which lives elsewhere. Window-free.
#pragma once

#include <windows.h>

// Whether a value with this name and type is what a link holds.
bool IsLinkValue(const wchar_t* name, DWORD type) noexcept;

// Whether sub below parent is a link (not a key that only holds a value that
// looks like one). Opens the key twice, so callers ask only when a value
// made them think so.
bool IsLinkKey(HKEY parent, const wchar_t* sub);

// Makes sub below parent a new link whose target value holds size bytes of
// target; the platform's error code.
LONG CreateLinkKey(HKEY parent, const wchar_t* sub, const BYTE* target, DWORD size);

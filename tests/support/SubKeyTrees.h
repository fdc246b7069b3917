// Trees of many keys for the count and the tree pane's tests.
#pragma once

#include "support/RegistrySandbox.h"

#include <windows.h>

// Creates prefix00000 .. below parent.
void CreateChildKeys(HKEY parent, const wchar_t* prefix, int count);
// 4320 leaves and m_Big with 5679 children: 10,000 keys below the sandbox.
void MakeCountTree(const RegistrySandbox& box);

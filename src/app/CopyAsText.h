// The Copy as Text commands both panes offer: which spelling of a key's path
// each one copies. The panes put the text on the clipboard themselves.
#pragma once

#include "registry/RegistryPath.h"

#include <windows.h>
#include <string>
#include <vector>

// The spelling a Copy ... Path command copies (ID_COPY_PATH and its kin).
PathSpelling PathSpellingOf(UINT command) noexcept;
// Several items' texts as one text, a line each.
std::wstring TextLines(const std::vector<std::wstring>& lines);

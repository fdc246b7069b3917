// Who this program is: the names of its settings profile and message boxes,
// and the version line the log and the About box show. The version line says
// which build runs, since the 32-bit and the 64-bit builds see different
// registry views.
#pragma once

#include "version.h"

constexpr wchar_t kCompanyName[] = L"Quenmar";
constexpr wchar_t kApplicationName[] = L"Zorvane";

#if defined(_WIN64)
#define ZV_BUILD_BITS L"64-bit"
#else
#define ZV_BUILD_BITS L"32-bit"
#endif

constexpr wchar_t kVersionNumber[] = L"" ZORVANE_VERSION_TEXT;
constexpr wchar_t kVersionLine[] = L"Version: " ZORVANE_VERSION_TEXT L" " ZV_BUILD_BITS L" with Unicode";

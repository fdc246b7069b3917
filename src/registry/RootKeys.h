// The five registry roots in their fixed order, and the short names by which
// every registry path starts.
#pragma once

#include <windows.h>
#include <string>
#include <string_view>

constexpr int kRootCount = 5;
constexpr int kRootClasses = 0;
constexpr int kRootConfig = 1;
constexpr int kRootUser = 2;
constexpr int kRootMachine = 3;
constexpr int kRootUsers = 4;

// Display name of the computer level (the empty path).
extern const wchar_t kComputerName[]; // "My Computer"

// Short name of root index 0..4 ("CLASSES_ROOT" ... "USERS").
const std::wstring& RootName(int index);
HKEY RootHandle(int index) noexcept;
// The abbreviation of root index 0..4 ("HKCR" ... "HKU"), or null.
const wchar_t* RootAbbreviation(int index) noexcept;
// Index of the root a registry script or the platform's tools name: its full
// name ("HKEY_LOCAL_MACHINE") or its abbreviation ("HKLM"), ignoring case;
// -1 for anything else.
int RootIndexFromHkeyName(std::wstring_view word) noexcept;
// Index of the root whose short name equals name ignoring case, or -1.
int RootIndexFromName(std::wstring_view name) noexcept;
// Handle of the root named (ignoring case), or null.
HKEY RootHandleFromName(std::wstring_view name) noexcept;
// Splits "ROOT\\sub\\path" into the root's handle and the path below it
// (empty for the root itself); false when the first part names no root.
bool SplitRootPath(const std::wstring& path, HKEY& root, std::wstring& sub);
// Whether key is one of the five predefined root handles.
bool IsPredefinedRoot(HKEY key) noexcept;
// Whether text is exactly one of the five short names, ignoring case.
bool IsRootName(std::wstring_view text) noexcept;

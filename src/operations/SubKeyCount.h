// The background count of every key below a key, for the Key Properties page.
#pragma once

#include "base/WorkerThread.h"
#include "registry/KeySource.h"

#include <windows.h>
#include <functional>
#include <string>

// Adds every key below path of source to count, depth-first (links are
// counted, never followed). After each sub-key and its whole sub-tree, when
// count is a multiple of kCountReportEvery, progress(count, that sub-key's
// name) runs; false from it ends this key's loop (an enclosing level notices
// at its own next check point). A stop request ends the whole walk.
constexpr DWORD kCountReportEvery = 4321;
using CountProgress = std::function<bool(DWORD count, const wchar_t* name)>;
// What lies below a key: its sub-keys at every depth and their values
// (links counted as keys, not followed). The key at path is taken as itself
// when it is a link.
struct KeyTreeCount
{
    DWORD keys = 0;
    DWORD values = 0;
};
KeyTreeCount CountKeyTree(const std::wstring& path, const zv::StopToken& stop = {});
KeyTreeCount CountKeyTree(const KeySource& source, const std::wstring& path, const zv::StopToken& stop = {});

DWORD CountKeysBelow(const KeySource& source, const std::wstring& path, DWORD& count,
                     const CountProgress& progress, const zv::StopToken& stop = {});

// Counts every key below path on a thread of its own. At each check point
// (a multiple of 4321 keys) it sends message to window with wParam the count
// and lParam the name of the sub-key just counted (valid during the call),
// and at the end once more with the total and lParam 0. It stops quietly when
// the window is gone or the returned thread is stopped; the caller owns the
// thread, and ending it stops the count and waits for it.
zv::WorkerThread StartSubKeyCount(HWND window, UINT message, std::wstring path);

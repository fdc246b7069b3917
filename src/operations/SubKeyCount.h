// The background count of every key below a key, for the Key Properties page.
#pragma once

#include "base/WorkerThread.h"

#include <windows.h>
#include <string>

// Counts every key below path on a thread of its own. At each check point
// (a multiple of 4321 keys) it sends message to window with wParam the count
// and lParam the name of the sub-key just counted (valid during the call),
// and at the end once more with the total and lParam 0. It stops quietly when
// the window is gone or the returned thread is stopped; the caller owns the
// thread, and ending it stops the count and waits for it.
zv::WorkerThread StartSubKeyCount(HWND window, UINT message, std::wstring path);

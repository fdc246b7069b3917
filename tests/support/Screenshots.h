// Pictures of windows kept beside the test results (ZORVANE_ARTIFACTS), for
// people to look at; no test compares pixels.
#pragma once

#include <windows.h>
#include <string>

// Saves what the screen shows of window as <artifacts>\<name>.bmp; false
// when there is no artifacts folder or the picture could not be written.
bool SaveWindowPicture(HWND window, const std::wstring& name);

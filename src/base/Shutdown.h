// The process-wide shutdown event: set once when the main window starts to
// close, never reset. Background threads test it and stop; views ignore
// updates once it is set.
#pragma once

#include <windows.h>

HANDLE ShutdownEvent() noexcept;
bool IsShuttingDown() noexcept;
void SignalShutdown() noexcept;
// Tests start each case with a fresh, unset event.
void ResetShutdownForTests() noexcept;

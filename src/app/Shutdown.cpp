// Shutdown event.
#include "app/Shutdown.h"

namespace
{
HANDLE g_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
} // namespace

HANDLE ShutdownEvent() noexcept
{
    return g_event;
}

bool IsShuttingDown() noexcept
{
    return WaitForSingleObject(g_event, 0) == WAIT_OBJECT_0;
}

void SignalShutdown() noexcept
{
    SetEvent(g_event);
}

void ResetShutdownForTests() noexcept
{
    ResetEvent(g_event);
}

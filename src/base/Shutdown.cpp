// Shutdown event. The flag beside it lets workers poll between registry calls
// without a call into the system each time.
#include "base/Shutdown.h"

#include <atomic>

namespace
{
HANDLE g_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
std::atomic<bool> g_shuttingDown{false};
} // namespace

HANDLE ShutdownEvent() noexcept
{
    return g_event;
}

bool IsShuttingDown() noexcept
{
    return g_shuttingDown.load(std::memory_order_acquire);
}

void SignalShutdown() noexcept
{
    g_shuttingDown.store(true, std::memory_order_release);
    SetEvent(g_event);
}

void ResetShutdownForTests() noexcept
{
    ResetEvent(g_event);
    g_shuttingDown.store(false, std::memory_order_release);
}

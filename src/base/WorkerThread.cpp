// Owned worker threads over the C runtime's thread starter.
#include "base/WorkerThread.h"
#include "base/Log.h"

#include "base/Shutdown.h"

#include <atomic>
#include <process.h>

namespace zv
{

struct StopToken::State
{
    unique_handle stopEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // Polled between registry calls: reading it costs no call into the system.
    std::atomic<bool> stop{false};
};

bool StopToken::StopRequested() const noexcept
{
    return IsShuttingDown() || (m_state && m_state->stop.load(std::memory_order_acquire));
}

HANDLE StopToken::StopEvent() const noexcept
{
    return m_state ? m_state->stopEvent.get() : nullptr;
}

namespace
{
struct ThreadStart
{
    std::function<unsigned(const StopToken&)> work;
    StopToken token;
};

unsigned __stdcall ThreadEntry(void* param) noexcept
{
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(param));
    try
    {
        return start->work(start->token);
    }
    catch (...)
    {
        LogCaughtException(L"worker thread");
        return kExitWorkerFailed;
    }
}
} // namespace

WorkerThread StartWorkerThread(std::function<unsigned(const StopToken&)> work)
{
    WorkerThread thread;
    auto state = std::make_shared<StopToken::State>();
    if (!state->stopEvent)
        return thread;
    auto* start = new ThreadStart{std::move(work), StopToken(state)};
    uintptr_t handle = _beginthreadex(nullptr, 0, ThreadEntry, start, 0, nullptr);
    if (!handle)
    {
        delete start;
        return thread;
    }
    thread.m_handle.reset(reinterpret_cast<HANDLE>(handle));
    thread.m_state = std::move(state);
    return thread;
}

WorkerThread::WorkerThread(WorkerThread&& other) noexcept
    : m_handle(std::move(other.m_handle)), m_state(std::move(other.m_state))
{
}

WorkerThread& WorkerThread::operator=(WorkerThread&& other) noexcept
{
    if (this != &other)
    {
        Stop();
        m_handle = std::move(other.m_handle);
        m_state = std::move(other.m_state);
    }
    return *this;
}

WorkerThread::~WorkerThread()
{
    Stop();
}

bool WorkerThread::IsRunning() const noexcept
{
    return m_handle && WaitForSingleObject(m_handle.get(), 0) == WAIT_TIMEOUT;
}

void WorkerThread::RequestStop() noexcept
{
    if (m_state)
    {
        m_state->stop.store(true, std::memory_order_release);
        SetEvent(m_state->stopEvent.get());
    }
}

void WorkerThread::Join() noexcept
{
    if (m_handle)
        WaitAnsweringSentMessages(m_handle.get());
}

void WorkerThread::Stop() noexcept
{
    RequestStop();
    Join();
}

DWORD WorkerThread::ExitCode() const noexcept
{
    DWORD code = 0;
    if (!m_handle || !GetExitCodeThread(m_handle.get(), &code))
        return 0;
    return code;
}

bool WaitAnsweringSentMessages(HANDLE handle, DWORD timeoutMs) noexcept
{
    const DWORD start = GetTickCount();
    for (;;)
    {
        DWORD elapsed = GetTickCount() - start;
        DWORD left = timeoutMs == INFINITE ? INFINITE : (elapsed >= timeoutMs ? 0 : timeoutMs - elapsed);
        DWORD result = MsgWaitForMultipleObjectsEx(1, &handle, left, QS_SENDMESSAGE, 0);
        if (result == WAIT_OBJECT_0)
            return true;
        if (result == WAIT_OBJECT_0 + 1)
        {
            // Peeking runs the handlers of messages sent from other threads;
            // nothing posted is taken from the queue.
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        return false;
    }
}

} // namespace zv

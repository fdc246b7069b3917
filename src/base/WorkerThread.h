// Owned worker threads. StartWorkerThread gives back a joinable thread with a
// stop flag of its own; whoever holds it owns the thread, and ending the owner
// stops the thread and waits for it. The wait keeps answering messages sent
// to the waiting thread's windows, so a worker blocked in SendMessage to a
// window whose owner is waiting for it cannot deadlock.
#pragma once

#include "base/Handles.h"

#include <windows.h>
#include <functional>
#include <memory>

namespace zv
{

class WorkerThread;
class StopToken;
WorkerThread StartWorkerThread(std::function<unsigned(const StopToken&)> work);

// Exit codes of the program's threads, so a debugger or a test can tell them apart.
enum ThreadExitCode : unsigned
{
    kExitWorkerFailed = 0xFFFFFFFFu, // the work threw
    kExitTreeWorker = 4017,
    kExitChangeMonitor = 3599,
};

// What a worker polls: its own stop flag or the process-wide shutdown.
class StopToken
{
  public:
    StopToken() = default;
    // True once the owner asked the thread to stop or the program is closing.
    bool StopRequested() const noexcept;
    // The thread's own manual-reset stop event (null for a default token),
    // for workers that wait on handles.
    HANDLE StopEvent() const noexcept;

  private:
    friend class WorkerThread;
    friend WorkerThread StartWorkerThread(std::function<unsigned(const StopToken&)> work);
    struct State;
    explicit StopToken(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    std::shared_ptr<State> m_state;
};

class WorkerThread
{
  public:
    WorkerThread() noexcept = default;
    WorkerThread(WorkerThread&& other) noexcept;
    // The thread held before is stopped and joined first.
    WorkerThread& operator=(WorkerThread&& other) noexcept;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // Stops and joins.
    ~WorkerThread();

    explicit operator bool() const noexcept { return static_cast<bool>(m_handle); }
    // The thread was started and has not ended yet.
    bool IsRunning() const noexcept;
    void RequestStop() noexcept;
    // Waits until the thread has ended, answering sent messages meanwhile.
    void Join() noexcept;
    // RequestStop, then Join.
    void Stop() noexcept;
    HANDLE Handle() const noexcept { return m_handle.get(); }
    // The exit code once ended (STILL_ACTIVE while running).
    DWORD ExitCode() const noexcept;

  private:
    friend WorkerThread StartWorkerThread(std::function<unsigned(const StopToken&)> work);
    unique_handle m_handle;
    std::shared_ptr<StopToken::State> m_state;
};

// Starts work on a new thread (normal priority, default stack, running at
// once). The returned thread is empty when it could not be started.
WorkerThread StartWorkerThread(std::function<unsigned(const StopToken&)> work);

// Waits for handle to be signalled while answering messages sent to this
// thread's windows; true when it was signalled.
bool WaitAnsweringSentMessages(HANDLE handle, DWORD timeoutMs = INFINITE) noexcept;

} // namespace zv

// Detached worker threads over the C runtime's thread starter.
#include "app/framework/WorkerThread.h"

#include <windows.h>
#include <process.h>

namespace
{
struct ThreadStart
{
    std::function<unsigned()> work;
};

unsigned __stdcall ThreadEntry(void* param) noexcept
{
    auto* start = static_cast<ThreadStart*>(param);
    unsigned code = 0;
    try
    {
        code = start->work();
    }
    catch (...)
    {
        code = static_cast<unsigned>(-1);
    }
    delete start;
    return code;
}
} // namespace

bool StartWorkerThread(std::function<unsigned()> work)
{
    auto* start = new ThreadStart{std::move(work)};
    uintptr_t handle = _beginthreadex(nullptr, 0, ThreadEntry, start, 0, nullptr);
    if (!handle)
    {
        delete start;
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    return true;
}

bool AfxBeginThread(ThreadProc proc, void* param)
{
    return StartWorkerThread([proc, param]() { return proc(param); });
}

// Worker threads: a function and one parameter, normal priority, default stack,
// running at once. The thread is detached; it reports back by messages.
#pragma once

#include <functional>

using ThreadProc = unsigned (*)(void* param);

// Starts proc(param) on a new thread; the return value is the exit code.
bool AfxBeginThread(ThreadProc proc, void* param);
// The same for a callable that owns what it needs.
bool StartWorkerThread(std::function<unsigned()> work);

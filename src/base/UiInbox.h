// The way workers hand results to the window thread: a queue of work items
// that the window runs when it receives its wake-up message. Workers never
// touch the window themselves; the window runs each item on its own thread,
// where the item checks that what it changes still exists. Items queued after
// the window closed the inbox are dropped, never run.
#pragma once

#include <windows.h>
#include <deque>
#include <functional>
#include <mutex>

namespace zv
{

class UiInbox
{
  public:
    UiInbox() = default;
    UiInbox(const UiInbox&) = delete;
    UiInbox& operator=(const UiInbox&) = delete;

    // window receives message (wParam 0, lParam 0) when items wait.
    void Open(HWND window, UINT message);
    // Drops what waits; later items are dropped as well.
    void Close();
    // Any thread: queues work for the window's thread.
    void Post(std::function<void()> work);
    // Window thread: runs waiting items in order. With a budget, stops once
    // it is spent and wakes the window again for the rest, so a long batch
    // never blocks the window. Returns how many items ran. With wakeAgain
    // false no wake-up is posted for the rest: the caller drains again later
    // (a timer), so that a steady stream of items cannot hold off input.
    size_t Drain(DWORD budgetMs = INFINITE, bool wakeAgain = true);
    size_t Pending() const;

  private:
    mutable std::mutex m_lock;
    std::deque<std::function<void()>> m_items;
    HWND m_window = nullptr;
    UINT m_message = 0;
    bool m_wakePosted = false;
};

} // namespace zv

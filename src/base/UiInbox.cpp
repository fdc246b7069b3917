// Worker-to-window queue.
#include "base/UiInbox.h"

namespace zv
{

void UiInbox::Open(HWND window, UINT message)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_window = window;
    m_message = message;
    m_wakePosted = false;
}

void UiInbox::Close()
{
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_window = nullptr;
        dropped.swap(m_items);
    }
    // The items die outside the lock: what they captured may take time to free.
}

void UiInbox::Post(std::function<void()> work)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_window)
        return;
    m_items.push_back(std::move(work));
    if (!m_wakePosted)
        m_wakePosted = PostMessageW(m_window, m_message, 0, 0) != FALSE;
}

size_t UiInbox::Drain(DWORD budgetMs, bool wakeAgain)
{
    const DWORD start = GetTickCount();
    size_t ran = 0;
    for (;;)
    {
        std::function<void()> item;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_items.empty() || !m_window)
            {
                m_wakePosted = false;
                return ran;
            }
            if (budgetMs != INFINITE && GetTickCount() - start >= budgetMs)
            {
                // The rest waits for the next wake-up. Without one, the caller
                // drains again itself (from a timer, which input and painting
                // come before); no wake-up is posted until the inbox is empty.
                m_wakePosted = wakeAgain ? PostMessageW(m_window, m_message, 0, 0) != FALSE : true;
                return ran;
            }
            item = std::move(m_items.front());
            m_items.pop_front();
        }
        item();
        ++ran;
    }
}

size_t UiInbox::Pending() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_items.size();
}

} // namespace zv

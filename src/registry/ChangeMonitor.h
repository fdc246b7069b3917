// CChngMntr: watches one registry root on its own thread and, once a burst of
// changes has been quiet for the settle time, posts "RegKeyChangeEvent" to the
// notify window (wParam 1, lParam the monitor's cookie). The monitor owns its
// thread: Stop, or destroying the monitor, ends the thread and waits for it.
#pragma once

#include "base/Handles.h"
#include "base/WorkerThread.h"

#include <windows.h>
#include <atomic>
#include <string>

class CChngMntr
{
  public:
    static constexpr DWORD kSettleMs = 300;

    // cookie travels as the message's lParam, so the receiver can find the
    // monitor without trusting a pointer that may have gone.
    CChngMntr(HWND notifyWindow, const std::wstring& rootName, LPARAM cookie = 0);
    ~CChngMntr();
    CChngMntr(const CChngMntr&) = delete;
    CChngMntr& operator=(const CChngMntr&) = delete;

    bool Start();
    void Stop() noexcept { m_thread.Stop(); }
    bool IsRunning() const noexcept { return m_thread.IsRunning(); }
    const zv::WorkerThread& Thread() const noexcept { return m_thread; }
    const std::wstring& RootName() const noexcept { return m_rootName; }
    HKEY RootKey() const noexcept { return m_rootKey; }
    LPARAM Cookie() const noexcept { return m_cookie; }
    // Waits until the thread has armed its first notification (changes made
    // before that are not seen); false when it did not within ms.
    bool WaitUntilWatching(DWORD ms) const noexcept;
    // How many change notifications the thread has seen so far.
    unsigned ChangesSeen() const noexcept { return m_changesSeen.load(); }

    // The registered message id of "RegKeyChangeEvent".
    static UINT Message();

  private:
    unsigned Run(const zv::StopToken& stop);
    bool Arm();

    HKEY m_rootKey = nullptr;
    const std::wstring m_rootName;
    HWND m_notifyWindow;
    LPARAM m_cookie;
    zv::unique_handle m_changeEvent;
    zv::unique_handle m_watching{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<unsigned> m_changesSeen{0};
    zv::WorkerThread m_thread;
};

// Change monitor.
#include "registry/ChangeMonitor.h"

#include "base/Shutdown.h"
#include "registry/RootKeys.h"

CChngMntr::CChngMntr(HWND notifyWindow, const std::wstring& rootName, LPARAM cookie)
    : m_rootName(rootName), m_notifyWindow(notifyWindow), m_cookie(cookie),
      m_changeEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    m_rootKey = RootHandleFromName(rootName);
}

CChngMntr::~CChngMntr()
{
    // The thread waits on the change event: stop it before the event goes.
    m_thread.Stop();
}

UINT CChngMntr::Message()
{
    static const UINT message = RegisterWindowMessageW(L"RegKeyChangeEvent");
    return message;
}

bool CChngMntr::Start()
{
    if (m_thread.IsRunning())
        return true;
    m_thread = zv::StartWorkerThread([this](const zv::StopToken& stop) { return Run(stop); });
    return static_cast<bool>(m_thread);
}

bool CChngMntr::WaitUntilWatching(DWORD ms) const noexcept
{
    return WaitForSingleObject(m_watching.get(), ms) == WAIT_OBJECT_0;
}

bool CChngMntr::Arm()
{
    constexpr DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
    return m_rootKey && m_changeEvent &&
           RegNotifyChangeKeyValue(m_rootKey, TRUE, filter, m_changeEvent.get(), TRUE) == ERROR_SUCCESS;
}

unsigned CChngMntr::Run(const zv::StopToken& stop)
{
    // Either the process-wide shutdown or this monitor's own stop ends it.
    const HANDLE handles[3] = {ShutdownEvent(), stop.StopEvent(), m_changeEvent.get()};
    constexpr DWORD kChange = WAIT_OBJECT_0 + 2;
    for (;;)
    {
        if (!Arm())
            return zv::kExitChangeMonitor;
        SetEvent(m_watching.get());
        DWORD wait = WaitForMultipleObjects(3, handles, FALSE, INFINITE);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_OBJECT_0 + 1)
            return zv::kExitChangeMonitor;
        ++m_changesSeen;
        // Settle: every further change within the settle time starts it again.
        for (;;)
        {
            if (!Arm())
                break;
            wait = WaitForMultipleObjects(3, handles, FALSE, kSettleMs);
            if (wait == WAIT_OBJECT_0 || wait == WAIT_OBJECT_0 + 1)
                return zv::kExitChangeMonitor;
            if (wait != kChange)
                break;
            ++m_changesSeen;
        }
        if (m_notifyWindow && IsWindow(m_notifyWindow))
            PostMessageW(m_notifyWindow, Message(), 1, m_cookie);
    }
}

// Change monitor.
#include "tree/ChangeMonitor.h"

#include "app/Shutdown.h"
#include "app/framework/WorkerThread.h"
#include "registry/RootKeys.h"

CChngMntr::CChngMntr(HWND notifyWindow, const std::wstring& rootName)
    : m_rootName(rootName), m_notifyWindow(notifyWindow),
      m_changeEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    m_rootKey = RootHandleFromName(rootName);
}

UINT CChngMntr::Message()
{
    static const UINT message = RegisterWindowMessageW(L"RegKeyChangeEvent");
    return message;
}

bool CChngMntr::Start()
{
    return AfxBeginThread(&CChngMntr::ThreadProc, this);
}

unsigned CChngMntr::ThreadProc(void* param)
{
    return static_cast<CChngMntr*>(param)->Run();
}

bool CChngMntr::Arm()
{
    constexpr DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
    return m_rootKey && m_changeEvent &&
           RegNotifyChangeKeyValue(m_rootKey, TRUE, filter, m_changeEvent.get(), TRUE) == ERROR_SUCCESS;
}

unsigned CChngMntr::Run()
{
    constexpr unsigned kExitCode = 3599;
    const HANDLE handles[2] = {ShutdownEvent(), m_changeEvent.get()};
    for (;;)
    {
        if (!Arm())
            return kExitCode;
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0)
            return kExitCode;
        // Settle: every further change within the settle time starts it again.
        for (;;)
        {
            if (!Arm())
                break;
            DWORD wait = WaitForMultipleObjects(2, handles, FALSE, kSettleMs);
            if (wait == WAIT_OBJECT_0)
                return kExitCode;
            if (wait == WAIT_TIMEOUT)
                break;
        }
        if (m_notifyWindow && IsWindow(m_notifyWindow))
            PostMessageW(m_notifyWindow, Message(), 1, reinterpret_cast<LPARAM>(this));
    }
}

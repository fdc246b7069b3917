// CChngMntr: watches one registry root on its own thread and, once a burst of
// changes has been quiet for the settle time, posts "RegKeyChangeEvent" to the
// notify window (wParam 1, lParam the monitor).
#pragma once

#include "app/framework/Handles.h"

#include <windows.h>
#include <string>

class CChngMntr
{
  public:
    static constexpr DWORD kSettleMs = 300;

    CChngMntr(HWND notifyWindow, const std::wstring& rootName);
    CChngMntr(const CChngMntr&) = delete;
    CChngMntr& operator=(const CChngMntr&) = delete;

    bool Start();
    const std::wstring& RootName() const noexcept { return m_rootName; }
    HKEY RootKey() const noexcept { return m_rootKey; }

    // The registered message id of "RegKeyChangeEvent".
    static UINT Message();

  private:
    static unsigned ThreadProc(void* param);
    unsigned Run();
    bool Arm();

    HKEY m_rootKey = nullptr;
    const std::wstring m_rootName;
    HWND m_notifyWindow;
    zv::unique_handle m_changeEvent;
};

// The hourglass for long operations on the user-interface thread.
#pragma once

#include <windows.h>

class CWaitCursor
{
  public:
    CWaitCursor() noexcept : m_previous(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(m_previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore() noexcept { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }

  private:
    HCURSOR m_previous;
};

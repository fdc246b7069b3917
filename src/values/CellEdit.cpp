// The in-place editor.
#include "values/CellEdit.h"

CCellEdit::CCellEdit(int row, int column, const std::wstring& text)
    : m_row(row), m_column(column), m_originalText(text)
{
    Target.column = column;
    Target.originalText = text;
}

UINT CCellEdit::EndMessage()
{
    static const UINT message = RegisterWindowMessageW(L"CEndCellEditMsg");
    return message;
}

bool CCellEdit::Create(HWND parent, const RECT& rect)
{
    m_parent = parent;
    if (!CreateControl(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, rect, parent, 1))
        return false;
    SendMessage(WM_SETFONT, ::SendMessageW(parent, WM_GETFONT, 0, 0), TRUE);
    ::SetFocus(m_hWnd);
    SetWindowText(m_originalText);
    SendMessage(EM_SETSEL, 0, -1);
    SendMessage(EM_SCROLLCARET);
    return true;
}

bool CCellEdit::IsChanged() const
{
    return Commit && m_finalText != m_originalText;
}

LRESULT CCellEdit::OnKeyDown(UINT, WPARAM key, LPARAM, bool& handled)
{
    if (key == VK_RETURN || key == VK_ESCAPE)
    {
        Commit = key == VK_RETURN;
        DestroyWindow();
        return 0;
    }
    handled = false;
    return 0;
}

LRESULT CCellEdit::OnChar(UINT, WPARAM key, LPARAM, bool& handled)
{
    // The edit would beep at the Enter and Escape that ended it.
    if (key == L'\r' || key == 27)
        return 0;
    handled = false;
    return 0;
}

LRESULT CCellEdit::OnGetDlgCode(UINT, WPARAM, LPARAM, bool&)
{
    return DLGC_WANTALLKEYS | DLGC_HASSETSEL | DLGC_WANTCHARS;
}

LRESULT CCellEdit::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled)
{
    // Clicking elsewhere commits.
    DefWindowProc(WM_KILLFOCUS, 0, 0);
    handled = true;
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CCellEdit::OnDestroyMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    if (Commit)
        m_finalText = GetWindowText();
    // Posted, not sent: the list commits once this window is gone, with no
    // message box shown while it is being destroyed. A discarded edit tells
    // the list too: a refresh may wait for its end.
    if (m_parent && ::IsWindow(m_parent))
        ::PostMessageW(m_parent, EndMessage(), 0, 0);
    handled = false;
    return 0;
}

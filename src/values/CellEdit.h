// CCellEdit: the in-place editor, an edit control laid over one cell of a
// list pane. It records, when editing starts, which key and which name it
// edits, so the commit lands there whatever the list did meanwhile (a sort,
// a navigation). When its window goes it tells its list (posting
// "CEndCellEditMsg"), which takes a committed edit as one CellEditResult;
// the editor keeps nothing the list could still be using.
#pragma once

#include "app/framework/Window.h"

#include <string>

struct CellEditResult
{
    std::wstring keyPath; // the key of the edited row, when editing began
    std::wstring name;    // the row's name then
    int kind = 0;         // the row's kind (key or value)
    int column = 0;
    std::wstring originalText;
    std::wstring finalText;
};

class CCellEdit : public CWnd
{
  public:
    CCellEdit(int row, int column, const std::wstring& text);

    // Creates the edit over rect (parent's client coordinates) and starts.
    bool Create(HWND parent, const RECT& rect);
    // Commit is set and the text differs from what it was.
    bool IsChanged() const;
    int Row() const noexcept { return m_row; }
    int Column() const noexcept { return m_column; }
    const std::wstring& FinalText() const noexcept { return m_finalText; }
    bool IsEditing() const noexcept { return m_hWnd != nullptr; }

    // The registered message the editor posts to its parent when an edit
    // ends, committed or not (both parameters 0).
    static UINT EndMessage();

    CellEditResult Target; // key path, name and kind, set when editing starts
    bool Commit = true;

    BEGIN_MSG_MAP(CCellEdit)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
        MESSAGE_HANDLER(WM_CHAR, OnChar)
        MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroyMessage)
    END_MSG_MAP()

  private:
    LRESULT OnKeyDown(UINT, WPARAM key, LPARAM, bool& handled);
    LRESULT OnChar(UINT, WPARAM key, LPARAM, bool& handled);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM, bool&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, bool& handled);
    LRESULT OnDestroyMessage(UINT, WPARAM, LPARAM, bool& handled);

    int m_row;
    int m_column;
    std::wstring m_originalText;
    std::wstring m_finalText;
    HWND m_parent = nullptr;
};

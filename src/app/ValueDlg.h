// CValueDlg: the Edit Value dialog. It edits a value's name, type and data as
// text and writes nothing itself: its caller writes what it hands back. A
// number that is no number, or does not fit, keeps the dialog open with the
// reason.
#pragma once

#include "app/framework/Dialog.h"

#include <windows.h>
#include <string>

class CDocument;

class CValueDlg : public CDialog
{
  public:
    // document: told (hint 4) when "Always use this format" changes the format.
    explicit CValueDlg(HWND parent = nullptr, CDocument* document = nullptr);

    void SetType(DWORD type);
    // The value's data as it was: OK with this text and type unchanged hands
    // it back as it is, whatever it reads as (a DWORD of three bytes shows
    // as bytes and is no number).
    void SetOriginal(const std::wstring& text, DWORD type);
    DWORD GetType() const;

    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;

    std::wstring EditData;
    std::wstring EditName;
    int TypeIndex = 0;
    std::wstring Info;
    std::wstring MultiText;
    std::wstring KeyPath;
    // A new value: the dialog is titled so and the name takes the focus.
    bool IsNewValue = false;
    int Hex = 0;
    bool AlwaysUseFormat = false;

    BEGIN_MSG_MAP(CValueDlg)
        MESSAGE_HANDLER(WM_COMMAND, OnCommandMessage)
        MESSAGE_HANDLER(WM_NOTIFY, OnNotifyMessage)
        CHAIN_MSG_MAP(CDialog)
    END_MSG_MAP()

  private:
    LRESULT OnCommandMessage(UINT, WPARAM wParam, LPARAM lParam, bool& handled);
    LRESULT OnNotifyMessage(UINT, WPARAM, LPARAM lParam, bool& handled);
    // Switches the type's controls; false when the user kept the old type
    // rather than lose data.
    bool SwitchType(DWORD type, bool ask = true);
    // The focus to the control the user edits first, its text selected.
    void FocusFirstField();
    void OnDataChanged();
    // The hex-dump editor: shown for bytes, filled from the data text, and
    // writing its bytes back to that text as they change.
    bool ShowsHexEditor() const;
    void LoadHexEditor();
    void ShowHexStatus();
    void OnHexChanged();
    void OnBase(bool hex);
    void ShowInfo(bool show);
    std::wstring ControlText(int id) const;

    CDocument* m_document;
    bool m_switching = false;
    bool m_fromHexEditor = false;
    bool m_hasOriginal = false;
    std::wstring m_originalText;
    DWORD m_originalType = REG_NONE;
};

// Modal dialogs from dialog templates, with two-way data exchange between
// members and controls (DoDataExchange); a failed validation keeps the dialog
// open with the focus on the offending control. Property pages and sheets
// are dialogs of the same kind.
#pragma once

#include "app/framework/Window.h"

#include <string>
#include <vector>
#include <prsht.h>

class CDialog;

class CDataExchange
{
  public:
    CDataExchange(CDialog* dialog, bool save) : m_pDlgWnd(dialog), m_bSaveAndValidate(save) {}
    // The control, remembered for the focus after a failure.
    HWND PrepareCtrl(int id);
    // Marks the exchange failed: the dialog stays open.
    void Fail();
    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;
    bool m_failed = false;
    HWND m_lastControl = nullptr;
};

void DDX_Text(CDataExchange* dx, int id, std::wstring& value);
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
void DDX_Check(CDataExchange* dx, int id, bool& value);
// Selection index of a combo box (-1: none).
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_CBString(CDataExchange* dx, int id, std::wstring& value);
void DDV_MinMaxInt(CDataExchange* dx, int value, int minimum, int maximum);
void DDV_MaxChars(CDataExchange* dx, const std::wstring& value, size_t maximum);

class CDialog : public CWnd
{
  public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) : m_templateId(templateId), m_parent(parent) {}

    // Runs the dialog; IDOK, IDCANCEL or another end code. A scripted user
    // (tests) may answer it without showing it.
    virtual INT_PTR DoModal();
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange*) {}
    // Controls to members (save) or members to controls; false when a
    // validation failed.
    bool UpdateData(bool save = true);
    void EndDialog(INT_PTR result);

    UINT TemplateId() const noexcept { return m_templateId; }
    // Runs from an in-memory template instead of the resource (the id still
    // names the dialog to a scripted user).
    void SetTemplate(const DLGTEMPLATE* dialogTemplate) noexcept { m_memoryTemplate = dialogTemplate; }

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    // F1: the help for this dialog's template.
    void ShowOwnHelp();
    friend class CPropertyPage;

    UINT m_templateId;
    HWND m_parent;
    const DLGTEMPLATE* m_memoryTemplate = nullptr;
    bool m_ending = false;
};

class CPropertyPage : public CDialog
{
  public:
    explicit CPropertyPage(UINT templateId) : CDialog(templateId) {}
    // Fills a page description for a property sheet.
    PROPSHEETPAGEW PageDescription();
    virtual bool OnSetActive() { return true; }
    virtual bool OnKillActive() { return UpdateData(true); }
    virtual bool OnApply() { return true; }

  protected:
    static INT_PTR CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CPropertySheet
{
  public:
    CPropertySheet(const std::wstring& caption, HWND parent) : m_caption(caption), m_parent(parent) {}
    void AddPage(CPropertyPage* page) { m_pages.push_back(page); }
    INT_PTR DoModal();

  private:
    std::wstring m_caption;
    HWND m_parent;
    std::vector<CPropertyPage*> m_pages;
};

// Places a dialog over the middle of the main window it belongs to, inside
// that window's screen (the middle of the screen when there is no window).
void CenterOverOwner(HWND dialog) noexcept;

// CImportDlg: the preview of an import - every change a registry script
// would make, grouped by key, each with a check box; Apply writes the
// checked ones, Cancel nothing. The list is virtual: a file of hundreds of
// thousands of values shows at once.
#pragma once

#include "app/framework/Dialog.h"
#include "operations/ImportPlan.h"

#include <commctrl.h>
#include <string>

class CImportDlg : public CDialog
{
  public:
    CImportDlg(ImportPlan& plan, const std::wstring& fileName, HWND parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    // Flips the check box of a row (a key's row takes its values along).
    void ToggleRow(int row);

    BEGIN_MSG_MAP(CImportDlg)
        MESSAGE_HANDLER(WM_NOTIFY, OnNotifyMessage)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        CHAIN_MSG_MAP(CDialog)
    END_MSG_MAP()

  private:
    LRESULT OnNotifyMessage(UINT, WPARAM, LPARAM lParam, bool& handled);
    LRESULT OnSize(UINT, WPARAM, LPARAM lParam, bool& handled);
    HWND List() const;

    ImportPlan& m_plan;
    std::wstring m_fileName;
    std::wstring m_cell; // the text handed to the list last
};

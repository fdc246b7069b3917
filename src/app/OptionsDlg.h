// COptionsDlg: the numeric format, "go to last selected key" and "save layout".
#pragma once

#include "app/framework/Dialog.h"

class CDocument;

class COptionsDlg : public CDialog
{
  public:
    // OK tells document's views when the numeric format may have changed.
    explicit COptionsDlg(CDocument* document = nullptr);
    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;

    int NumberFormat = -1;
    bool SaveLayout = false;
    bool GoToLastSelectedKey;

  private:
    CDocument* m_document;
};

// COptionsDlg: the numeric format, "go to last selected key" and "save layout".
#pragma once

#include "app/framework/Dialog.h"

class COptionsDlg : public CDialog
{
  public:
    COptionsDlg();
    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;

    int NumberFormat = -1;
    bool SaveLayout = false;
    bool GoToLastSelectedKey;
};

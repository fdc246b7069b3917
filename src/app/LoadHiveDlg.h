// CLoadHiveDlg: the key name a hive file is mounted under, proposed from the
// file's name (free below the root) and changed by the user if wanted. A name
// that cannot be a key's, or is taken, keeps the dialog open with the reason.
#pragma once

#include "app/framework/Dialog.h"

#include <string>

class CLoadHiveDlg : public CDialog
{
  public:
    CLoadHiveDlg(HWND parent, std::wstring file, std::wstring root);
    void DoDataExchange(CDataExchange* dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

    std::wstring File;
    std::wstring Root; // USERS or LOCAL_MACHINE
    std::wstring KeyName;
};

// Why name cannot be the key a hive is mounted under below root, or empty.
std::wstring HiveKeyNameProblem(const std::wstring& root, const std::wstring& name);

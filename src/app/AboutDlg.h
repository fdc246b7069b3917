// The About dialog: the version and the maker's web pages.
#pragma once

#include "app/framework/Dialog.h"

#include "resource.h"

extern const wchar_t kMakerWebSite[];
extern const wchar_t kMakerContactPage[];
extern const wchar_t kMakerSocialPage[];

class CAboutDlg : public CDialog
{
  public:
    CAboutDlg();
    bool OnInitDialog() override;

    BEGIN_MSG_MAP(CAboutDlg)
        COMMAND_CODE_HANDLER_EX(IDC_ABOUT_WEBSITE, BN_CLICKED, OnWebSite)
        COMMAND_CODE_HANDLER_EX(IDC_ABOUT_CONTACT, BN_CLICKED, OnContact)
    END_MSG_MAP()

  private:
    void OnWebSite();
    void OnContact();
};

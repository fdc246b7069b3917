// About dialog.
#include "app/AboutDlg.h"

#include "base/ProgramInfo.h"
#include "base/UserPrompts.h"

#include "resource.h"

const wchar_t kMakerWebSite[] = L"https://zorvane.example.com/";
const wchar_t kMakerContactPage[] = L"https://zorvane.example.com/contact";
const wchar_t kMakerSocialPage[] = L"https://zorvane.example.com/community";

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog()
{
    // The resource names one build; the running one may be the other.
    SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, kVersionLine);
    return CDialog::OnInitDialog();
}

void CAboutDlg::OnWebSite()
{
    UserPrompts().LaunchShell(m_hWnd, L"open", kMakerWebSite, L"", SW_SHOWNORMAL);
}

void CAboutDlg::OnContact()
{
    UserPrompts().LaunchShell(m_hWnd, L"open", kMakerContactPage, L"", SW_SHOWNORMAL);
}

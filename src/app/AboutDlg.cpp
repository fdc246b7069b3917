// About dialog.
#include "app/AboutDlg.h"

#include "app/framework/UserPrompts.h"

#include "resource.h"

const wchar_t kMakerWebSite[] = L"https://zorvane.example.com/";
const wchar_t kMakerContactPage[] = L"https://zorvane.example.com/contact";
const wchar_t kMakerSocialPage[] = L"https://zorvane.example.com/community";

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX)
{
}

void CAboutDlg::OnWebSite()
{
    UserPrompts().LaunchShell(m_hWnd, L"open", kMakerWebSite, L"", SW_SHOWNORMAL);
}

void CAboutDlg::OnContact()
{
    UserPrompts().LaunchShell(m_hWnd, L"open", kMakerContactPage, L"", SW_SHOWNORMAL);
}

// CNavroApp: start-up (command line, log, settings, options, the document
// template, shell registration) and the application-wide commands.
#pragma once

#include "app/StartArguments.h"
#include "app/framework/WinApp.h"
#include "base/ProgramInfo.h"

#include <functional>

class CFrameWnd;
class CView;

class CNavroApp : public CWinApp
{
  public:
    // The frame and the first view of the document template.
    CNavroApp(std::function<CFrameWnd*()> newFrame, std::function<CView*()> newView);
    ~CNavroApp() override;

    bool InitInstance() override;
    int ExitInstance() override;
    // All help goes to the program's help file.
    void WinHelp(HWND owner, DWORD_PTR data, UINT command) override;
    // Uses these arguments instead of the process's own (tests).
    void SetArguments(std::vector<std::wstring> arguments)
    {
        m_arguments = std::move(arguments);
        m_haveArguments = true;
    }
    const StartArguments& Arguments() const noexcept { return m_start; }
    // The settings company (tests give their own, to stay apart from each other).
    void SetProfileCompany(const std::wstring& company) { m_company = company; }
    // Whether the last start's shell registration changed the registry.
    bool RegistrationChanged() const noexcept { return m_registrationChanged; }

    BEGIN_COMMAND_MAP(CNavroApp)
        ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
        ON_COMMAND(ID_HELP_FINDER, OnHelpTopics)
        ON_COMMAND(ID_HELP, OnHelpTopics)
        ON_COMMAND(ID_DEFAULT_HELP, OnHelpTopics)
        ON_COMMAND(ID_CONTEXT_HELP, OnHelpTopics)
    END_COMMAND_MAP_CHAIN(CWinApp)

  private:
    void OnAppAbout();
    void OnHelpTopics();

    std::function<CFrameWnd*()> m_newFrame;
    std::function<CView*()> m_newView;
    std::vector<std::wstring> m_arguments;
    bool m_haveArguments = false;
    StartArguments m_start;
    std::wstring m_company = kCompanyName;
    bool m_oleStarted = false;
    bool m_registrationChanged = false;
};

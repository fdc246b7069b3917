// Application start-up.
#include "NavroApp.h"

#include "app/DataOnDemand.h"

#include "app/AboutDlg.h"
#include "app/Help.h"
#include "helpids.h"
#include "base/Log.h"
#include "app/NavroDoc.h"
#include "app/Options.h"
#include "app/ShellRegistration.h"
#include "app/framework/DocTemplate.h"
#include "app/framework/FrameWnd.h"
#include "frame/MainFrame.h"
#include "app/framework/View.h"

#include <ole2.h>
#include <shlobj.h>
#include <clocale>

#include "resource.h"

CNavroApp::CNavroApp(std::function<CFrameWnd*()> newFrame, std::function<CView*()> newView)
    : CWinApp(kApplicationName), m_newFrame(std::move(newFrame)), m_newView(std::move(newView))
{
}

CNavroApp::~CNavroApp()
{
    if (m_oleStarted)
        OleUninitialize();
}

bool CNavroApp::InitInstance()
{
    setlocale(LC_ALL, "");
    if (!m_haveArguments)
        m_arguments = ProcessArguments();
    m_start = ScanStartArguments(m_arguments);
    SetLogging(m_start.logging, m_start.logFile);
    Log();
    if (!m_oleStarted)
        m_oleStarted = SUCCEEDED(OleInitialize(nullptr));
    SetRegistryKey(m_company.c_str());
    LoadNumberFormat();
    LoadStdProfileSettings(10);
    AddDocTemplate(new CSingleDocTemplate(
        IDR_MAINFRAME, [] { return new CNavroDoc; }, m_newFrame, m_newView));

    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    m_registrationChanged = RegisterWithShell(program);
    if (m_registrationChanged)
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);

    // The location the document starts at; a shortcut file replaces it when opened.
    CNavroDoc::SetStartLocation(m_start.location);
    CCommandLineInfo command;
    if (!m_start.logging)
    {
        std::wstring file = ExistingStartFile(m_start.location);
        if (!file.empty())
        {
            command.m_nShellCommand = CCommandLineInfo::FileOpen;
            command.m_strFileName = file;
        }
    }
    if (!ProcessShellCommand(command))
    {
        // A shortcut that cannot be read still leaves a usable program.
        if (command.m_nShellCommand != CCommandLineInfo::FileOpen)
            return false;
        CNavroDoc::SetStartLocation(L"");
        if (!ProcessShellCommand(CCommandLineInfo()))
            return false;
    }
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
    {
        // Started only to import a script ("/import file" and nothing else):
        // the preview shows alone, and the program ends after it.
        bool importOnly = !m_start.importFile.empty() && m_start.location.empty();
        if (!importOnly)
        {
            ::ShowWindow(m_pMainWnd->m_hWnd, SW_SHOWNORMAL);
            ::UpdateWindow(m_pMainWnd->m_hWnd);
        }
        // A script asked for on the command line goes through the preview
        // once the window stands.
        if (!m_start.importFile.empty())
            if (auto* frame = dynamic_cast<CMainFrame*>(m_pMainWnd))
                if (CNavroDoc* doc = frame->Document())
                    doc->ImportFile(m_start.importFile);
        if (importOnly)
            ::PostMessageW(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
    }
    return true;
}

int CNavroApp::ExitInstance()
{
    // What the program put on the clipboard stays after it ends.
    if (m_oleStarted)
        OleFlushClipboard();
    // The shortcut files made for drags to the shell: a drop target has
    // copied what it took by now.
    RemoveDragShortcuts();
    return CWinApp::ExitInstance();
}

void CNavroApp::OnAppAbout()
{
    CAboutDlg dialog;
    dialog.DoModal();
}

void CNavroApp::OnHelpTopics()
{
    WinHelp(nullptr, HIDR_MAINFRAME, HELP_CONTEXT);
}

void CNavroApp::WinHelp(HWND owner, DWORD_PTR data, UINT command)
{
    ShowHelp(owner ? owner : (m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr), data, command);
}

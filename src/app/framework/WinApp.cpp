// Application object: message loop, profile, recent files, shell commands.
#include "app/framework/WinApp.h"

#include "app/framework/DocTemplate.h"
#include "app/framework/Document.h"
#include "app/framework/FrameWnd.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"

#include <commdlg.h>
#include <algorithm>

namespace
{
CWinApp* g_app = nullptr;
const wchar_t kRecentSection[] = L"Recent File List";
} // namespace

CWinApp* AfxGetApp()
{
    return g_app;
}

CWnd* AfxGetMainWnd()
{
    return g_app ? g_app->m_pMainWnd : nullptr;
}

void PostCommandToMainWindow(UINT command)
{
    if (CWnd* main = AfxGetMainWnd())
        if (main->m_hWnd)
            main->PostMessage(WM_COMMAND, command, 0);
}

CWinApp::CWinApp(const wchar_t* appName) : m_appName(appName ? appName : L"")
{
    g_app = this;
    SetFrameworkClassPrefix(m_appName);
}

CWinApp::~CWinApp()
{
    m_template.reset();
    // Only the store this application installed goes with it.
    if (m_profile && &Settings() == m_profile.get())
        SetSettingsStore(m_previousStore);
    if (g_app == this)
        g_app = nullptr;
}

int CWinApp::ExitInstance()
{
    return 0;
}

int CWinApp::Main()
{
    if (InitInstance())
        return Run();
    ExitInstance();
    return 1;
}

void CWinApp::SetRegistryKey(const wchar_t* company)
{
    if (!m_profile)
        m_previousStore = &Settings();
    m_profile = std::make_unique<CSettingsStore>(company, m_appName);
    SetSettingsStore(m_profile.get());
}

bool CWinApp::PreTranslateMessage(MSG* msg)
{
    // The window the message is for, then its ancestors, may take it first.
    for (HWND window = msg->hwnd; window; window = ::GetParent(window))
        if (CWnd* target = CWnd::FromHandle(window))
            if (target->PreTranslateMessage(msg))
                return true;
    return false;
}

bool CWinApp::OnIdle(LONG count)
{
    if (count == 0)
        if (auto* frame = dynamic_cast<CFrameWnd*>(m_pMainWnd))
            if (frame->m_hWnd)
                frame->OnIdleUpdateCmdUI();
    return false;
}

int CWinApp::Run()
{
    MSG msg;
    LONG idleCount = 0;
    for (;;)
    {
        while (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        {
            if (!OnIdle(idleCount++))
            {
                ::WaitMessage();
                idleCount = 0;
            }
        }
        if (!::GetMessageW(&msg, nullptr, 0, 0))
            break;
        if (!PreTranslateMessage(&msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        // Mouse moves and timers do not restart the idle work.
        if (msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE && msg.message != WM_TIMER &&
            msg.message != WM_PAINT)
            idleCount = 0;
    }
    ExitInstance();
    return static_cast<int>(msg.wParam);
}

void CWinApp::LoadStdProfileSettings(UINT count)
{
    m_recentMax = count;
    m_recentFiles.clear();
    for (UINT i = 1; i <= count; ++i)
    {
        std::wstring path =
            Settings().GetProfileString(kRecentSection, zv::Format(L"File%u", i).c_str(), L"");
        if (!path.empty())
            m_recentFiles.push_back(path);
    }
}

void CWinApp::SaveRecentFileList() const
{
    for (UINT i = 1; i <= m_recentMax; ++i)
    {
        std::wstring entry = zv::Format(L"File%u", i);
        if (i <= m_recentFiles.size())
            Settings().WriteProfileString(kRecentSection, entry.c_str(), m_recentFiles[i - 1]);
        else
            Settings().DeleteProfileEntry(kRecentSection, entry.c_str());
    }
}

void CWinApp::AddToRecentFileList(const std::wstring& path)
{
    if (m_recentMax == 0 || path.empty())
        return;
    wchar_t full[MAX_PATH * 4];
    DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    std::wstring entry = length && length < MAX_PATH * 4 ? std::wstring(full) : path;
    m_recentFiles.erase(std::remove_if(m_recentFiles.begin(), m_recentFiles.end(),
                                       [&](const std::wstring& e) { return zv::EqualsNoCase(e, entry); }),
                        m_recentFiles.end());
    m_recentFiles.insert(m_recentFiles.begin(), entry);
    if (m_recentFiles.size() > m_recentMax)
        m_recentFiles.resize(m_recentMax);
    SaveRecentFileList();
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* ui)
{
    auto* menuUi = dynamic_cast<CMenuCmdUI*>(ui);
    if (!menuUi)
    {
        ui->Enable(!m_recentFiles.empty());
        return;
    }
    HMENU menu = menuUi->m_menu;
    // Drop the entries shown so far (they follow one another from the index).
    std::wstring placeholder = zv::LoadResString(ID_FILE_MRU_FILE1);
    for (int i = ::GetMenuItemCount(menu) - 1; i >= 0; --i)
    {
        UINT id = ::GetMenuItemID(menu, i);
        if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_LAST)
            ::DeleteMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
    }
    UINT index = menuUi->m_index;
    if (m_recentFiles.empty())
    {
        ::InsertMenuW(menu, index, MF_BYPOSITION | MF_STRING | MF_GRAYED, ID_FILE_MRU_FILE1, L"Recent File");
        menuUi->m_index = index;
        ui->m_enabled = false;
        return;
    }
    for (size_t i = 0; i < m_recentFiles.size(); ++i)
    {
        std::wstring text = zv::Format(L"&%u %s", static_cast<unsigned>(i + 1), m_recentFiles[i].c_str());
        ::InsertMenuW(menu, index + static_cast<UINT>(i), MF_BYPOSITION | MF_STRING,
                      ID_FILE_MRU_FILE1 + static_cast<UINT>(i), text.c_str());
    }
    menuUi->m_index = index + static_cast<UINT>(m_recentFiles.size()) - 1;
    ui->m_enabled = true;
}

void CWinApp::OnOpenRecentFile(UINT id)
{
    size_t index = id - ID_FILE_MRU_FILE1;
    if (index >= m_recentFiles.size())
        return;
    std::wstring path = m_recentFiles[index];
    if (!OpenDocumentFile(path))
    {
        // A file that cannot be opened leaves the list.
        m_recentFiles.erase(m_recentFiles.begin() + static_cast<long>(index));
        SaveRecentFileList();
    }
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate)
{
    m_template.reset(docTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info, const std::vector<std::wstring>& arguments)
{
    for (const std::wstring& argument : arguments)
    {
        if (!argument.empty() && (argument[0] == L'/' || argument[0] == L'-'))
            continue;
        if (info.m_strFileName.empty())
        {
            info.m_strFileName = argument;
            info.m_nShellCommand = CCommandLineInfo::FileOpen;
        }
    }
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info)
{
    if (!m_template)
        return false;
    if (info.m_nShellCommand == CCommandLineInfo::FileOpen)
        return OpenDocumentFile(info.m_strFileName) != nullptr;
    return m_template->OpenDocumentFile(nullptr, false) != nullptr;
}

CDocument* CWinApp::OpenDocumentFile(const std::wstring& path)
{
    if (!m_template)
        return nullptr;
    return m_template->OpenDocumentFile(path.c_str(), false);
}

void CWinApp::OnFileNew()
{
    if (m_template)
        m_template->OpenDocumentFile(nullptr, false);
}

void CWinApp::OnFileOpen()
{
    if (!m_template)
        return;
    FileDialogRequest request;
    request.owner = PromptOwner();
    request.filter = m_template->FileFilter();
    request.flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (UserPrompts().FileDialog(request))
        OpenDocumentFile(request.fileName);
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        ::PostMessageW(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
}

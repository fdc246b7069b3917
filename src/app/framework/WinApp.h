// CWinApp: the application object. It owns the message loop (with idle-time
// command updates), the settings profile, the recent-file list and the
// document template, and handles the application-wide commands.
#pragma once

#include "app/framework/CmdTarget.h"
#include "app/framework/FrameworkIds.h"
#include "base/SettingsStore.h"

#include <memory>
#include <string>
#include <vector>

class CWnd;
class CDocument;
class CSingleDocTemplate;

// What the command line asks for: a new document or a file to open.
struct CCommandLineInfo
{
    enum ShellCommand
    {
        FileNew,
        FileOpen
    };
    ShellCommand m_nShellCommand = FileNew;
    std::wstring m_strFileName;
};

class CWinApp : public CCmdTarget
{
  public:
    explicit CWinApp(const wchar_t* appName = nullptr);
    ~CWinApp() override;

    virtual bool InitInstance() { return true; }
    virtual int ExitInstance();
    // The message loop; ExitInstance follows its end.
    int Run();
    // The program's life: InitInstance, then Run when it succeeded. Each way
    // ExitInstance runs exactly once. Returns the exit code (1 for a failed
    // start).
    int Main();
    virtual bool OnIdle(LONG count);
    virtual bool PreTranslateMessage(MSG* msg);
    // Help for a context (HELP_CONTEXT) or the contents (HELP_FINDER), owned by
    // owner. Dialogs and pages ask for their own context on F1; the program
    // decides where help comes from.
    virtual void WinHelp(HWND owner, DWORD_PTR data, UINT command)
    {
        (void)owner;
        (void)data;
        (void)command;
    }

    // Selects the profile CURRENT_USER\Software\<company>\<application>.
    void SetRegistryKey(const wchar_t* company);
    CSettingsStore& Profile() { return Settings(); }
    UINT GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue)
    {
        return Settings().GetProfileInt(section, entry, defaultValue);
    }
    bool WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value)
    {
        return Settings().WriteProfileInt(section, entry, value);
    }
    std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry,
                                  const wchar_t* defaultValue = L"")
    {
        return Settings().GetProfileString(section, entry, defaultValue);
    }
    bool WriteProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value)
    {
        return Settings().WriteProfileString(section, entry, value);
    }

    // Loads the recent-file list of at most count files.
    void LoadStdProfileSettings(UINT count = 4);
    void AddToRecentFileList(const std::wstring& path);
    const std::vector<std::wstring>& RecentFiles() const noexcept { return m_recentFiles; }

    void AddDocTemplate(CSingleDocTemplate* docTemplate);
    CSingleDocTemplate* DocTemplate() const noexcept { return m_template.get(); }
    // The framework's parse: the first argument that is no switch names a file.
    void ParseCommandLine(CCommandLineInfo& info, const std::vector<std::wstring>& arguments);
    bool ProcessShellCommand(const CCommandLineInfo& info);
    CDocument* OpenDocumentFile(const std::wstring& path);

    const std::wstring& AppName() const noexcept { return m_appName; }

    CWnd* m_pMainWnd = nullptr;

    BEGIN_COMMAND_MAP(CWinApp)
        ON_COMMAND(ID_FILE_NEW, OnFileNew)
        ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
        ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
        ON_COMMAND_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, OnOpenRecentFile)
        ON_COMMAND(ID_APP_EXIT, OnAppExit)
    END_COMMAND_MAP()

  protected:
    void OnFileNew();
    void OnFileOpen();
    void OnOpenRecentFile(UINT id);
    void OnUpdateRecentFileMenu(CCmdUI* ui);
    void OnAppExit();
    void SaveRecentFileList() const;

    std::wstring m_appName;
    std::unique_ptr<CSettingsStore> m_profile;
    CSettingsStore* m_previousStore = nullptr;
    std::unique_ptr<CSingleDocTemplate> m_template;
    std::vector<std::wstring> m_recentFiles;
    UINT m_recentMax = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// Posts a command to the main window, when there is one.
void PostCommandToMainWindow(UINT command);

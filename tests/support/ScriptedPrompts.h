// A scripted stand-in for the user: answers message boxes, file dialogs and
// modal dialogs in order and records what the program asked, so tests can
// check exact texts, buttons and icons. Thread-safe (workers show boxes too).
#pragma once

#include "base/UserPrompts.h"

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct RecordedBox
{
    std::wstring text;
    std::wstring caption;
    UINT buttons = 0; // MB_TYPEMASK part
    UINT icon = 0;    // MB_ICONMASK part
};

struct RecordedLaunch
{
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
};

struct RecordedHelp
{
    HWND owner = nullptr;
    std::wstring file;
    UINT command = 0;
    DWORD_PTR data = 0;
};

class ScriptedPrompts : public IUserPrompts, public IStatusText
{
  public:
    // Installs itself as the process's prompts and status sink; the previous
    // ones come back when it is destroyed.
    ScriptedPrompts();
    ~ScriptedPrompts() override;

    // Queues the answer to the next message box (IDOK, IDYES, IDNO, ...).
    void Answer(int button);
    // Queues the answer to the next file dialog: a path, or nullopt for Cancel.
    void AnswerFile(std::optional<std::wstring> path);
    // Queues the result of the next modal dialog with this id.
    void AnswerModal(UINT dialogId, INT_PTR result);

    std::vector<RecordedBox> Boxes() const;
    std::vector<FileDialogRequest> FileDialogs() const;
    std::vector<RecordedLaunch> Launches() const;
    std::vector<RecordedHelp> HelpRequests() const;
    std::vector<std::wstring> StatusTexts() const;
    void Clear();

    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
    bool FileDialog(FileDialogRequest& request) override;
    INT_PTR LaunchShell(HWND owner, const wchar_t* verb, const std::wstring& file,
                        const std::wstring& parameters, int show) override;
    INT_PTR LaunchShellIn(HWND owner, const wchar_t* verb, const std::wstring& file,
                          const std::wstring& parameters, const std::wstring& directory, int show) override;
    bool AnswerModal(UINT dialogId, INT_PTR& result) override;
    // Records the request; answers with a window that is no help window (a
    // stand-in the program only tests for null), or null when helpFails.
    HWND OpenHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) override;
    bool helpFails = false;
    void SetStatusText(const std::wstring& text) override;

    void DialogShown(UINT dialogId, HWND dialog) override;

    // When true (the default) an unscripted message box fails the test.
    bool strict = true;
    // Called when a modal dialog has been initialised (to drive it), and
    // after each message box is recorded (to react to it).
    // Runs when a modal dialog of the program opens; without it an opening
    // dialog fails the test and is cancelled.
    std::function<void(UINT dialogId, HWND dialog)> onDialog;
    std::function<void(const RecordedBox& box)> onBox;

  private:
    mutable std::mutex m_lock;
    std::deque<int> m_answers;
    std::deque<std::optional<std::wstring>> m_fileAnswers;
    std::deque<std::pair<UINT, INT_PTR>> m_modalAnswers;
    std::vector<RecordedBox> m_boxes;
    std::vector<FileDialogRequest> m_fileDialogs;
    std::vector<RecordedLaunch> m_launches;
    std::vector<RecordedHelp> m_help;
    std::vector<std::wstring> m_status;
    IUserPrompts* m_previousPrompts;
};

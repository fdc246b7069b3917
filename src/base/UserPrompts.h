// The one seam through which the program asks the user anything or shows a
// message: message boxes, status-bar texts, file dialogs, shell launches and
// the help window.
// The program installs nothing and gets the real thing; tests install a
// scripted responder that answers in order and records what was asked.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

struct FileDialogRequest
{
    bool save = false;
    HWND owner = nullptr;
    std::wstring title;
    // "|"-separated pairs of description and pattern, ending in "||".
    std::wstring filter;
    std::wstring defaultExtension; // without the dot; empty for none
    std::wstring fileName;         // proposed name in, chosen path out
    DWORD flags = 0;               // OFN_* flags
};

class IUserPrompts
{
  public:
    virtual ~IUserPrompts() = default;
    // type carries buttons and icon (the icon rule is already applied).
    virtual int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                               UINT type) = 0;
    virtual bool FileDialog(FileDialogRequest& request) = 0;
    // Returns the platform's result (> 32 means success).
    virtual INT_PTR LaunchShell(HWND owner, const wchar_t* verb, const std::wstring& file,
                                const std::wstring& parameters, int show) = 0;
    // The same, started in directory (empty: the current one).
    virtual INT_PTR LaunchShellIn(HWND owner, const wchar_t* verb, const std::wstring& file,
                                  const std::wstring& parameters, const std::wstring& directory, int show)
    {
        (void)directory;
        return LaunchShell(owner, verb, file, parameters, show);
    }
    // Opens the help file through HTML Help (command HH_*, data its argument);
    // returns the help window, or null when the call failed.
    virtual HWND OpenHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data);
    // A modal dialog about to run; a responder may answer it without showing
    // it (returns true and sets result). The program's own implementation runs it.
    virtual bool AnswerModal(UINT dialogId, INT_PTR& result)
    {
        (void)dialogId;
        (void)result;
        return false;
    }
    // A modal dialog has just been initialised and is about to show; tests
    // drive it from here.
    virtual void DialogShown(UINT dialogId, HWND dialog)
    {
        (void)dialogId;
        (void)dialog;
    }
};

// Receives the texts the program puts into the main window's status bar.
class IStatusText
{
  public:
    virtual ~IStatusText() = default;
    virtual void SetStatusText(const std::wstring& text) = 0;
};

IUserPrompts& UserPrompts();
// nullptr restores the real implementation.
void SetUserPrompts(IUserPrompts* prompts);

void SetStatusTextSink(IStatusText* sink);
// Puts text into the main window's status bar (any thread); nothing without a sink.
void ShowStatusText(const std::wstring& text);

// Owner window and caption of every message box.
void SetPromptOwner(HWND owner);
HWND PromptOwner();

// Applies the icon rule: a box without an icon gets a warning icon with OK or
// OK and Cancel, a question icon with Yes and No.
UINT WithDefaultIcon(UINT type);

// Shows a message box through the seam; returns the button pressed.
int AfxMessageBox(const std::wstring& text, UINT type = MB_OK);
int AfxMessageBox(UINT stringId, UINT type = MB_OK);
// A Yes/No question with the question icon; true for Yes.
bool AskYesNo(const std::wstring& text);

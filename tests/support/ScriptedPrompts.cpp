// Scripted user for tests.
#include "support/ScriptedPrompts.h"

#include "base/Strings.h"

#include <gtest/gtest.h>

namespace
{
IUserPrompts* g_current = nullptr;
}

ScriptedPrompts::ScriptedPrompts() : m_previousPrompts(g_current)
{
    g_current = this;
    SetUserPrompts(this);
    SetStatusTextSink(this);
}

ScriptedPrompts::~ScriptedPrompts()
{
    g_current = m_previousPrompts;
    SetUserPrompts(m_previousPrompts);
    SetStatusTextSink(dynamic_cast<IStatusText*>(m_previousPrompts));
    if (strict)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        EXPECT_TRUE(m_answers.empty()) << "scripted answers left unused: " << m_answers.size();
    }
}

void ScriptedPrompts::Answer(int button)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_answers.push_back(button);
}

void ScriptedPrompts::AnswerFile(std::optional<std::wstring> path)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_fileAnswers.push_back(std::move(path));
}

void ScriptedPrompts::AnswerModal(UINT dialogId, INT_PTR result)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_modalAnswers.emplace_back(dialogId, result);
}

std::vector<RecordedBox> ScriptedPrompts::Boxes() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_boxes;
}

std::vector<FileDialogRequest> ScriptedPrompts::FileDialogs() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_fileDialogs;
}

std::vector<RecordedLaunch> ScriptedPrompts::Launches() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_launches;
}

std::vector<RecordedHelp> ScriptedPrompts::HelpRequests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_help;
}

std::vector<std::wstring> ScriptedPrompts::StatusTexts() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_status;
}

void ScriptedPrompts::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_boxes.clear();
    m_fileDialogs.clear();
    m_launches.clear();
    m_help.clear();
    m_status.clear();
}

void ScriptedPrompts::DialogShown(UINT dialogId, HWND dialog)
{
    if (onDialog)
    {
        onDialog(dialogId, dialog);
        return;
    }
    // A dialog the test did not plan for would wait for a user who never
    // comes, until the run's time limit: it fails the test and is cancelled.
    if (strict)
        ADD_FAILURE() << "an unplanned dialog (template " << dialogId << ") opened";
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

int ScriptedPrompts::ShowMessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT type)
{
    RecordedBox box{text, caption, type & MB_TYPEMASK, type & MB_ICONMASK};
    if (onBox)
        onBox(box);
    std::lock_guard<std::mutex> guard(m_lock);
    m_boxes.push_back(box);
    if (!m_answers.empty())
    {
        int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if (strict)
        ADD_FAILURE() << "unexpected message box: " << zv::ToUtf8(text);
    switch (type & MB_TYPEMASK)
    {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDNO;
    case MB_OKCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

bool ScriptedPrompts::FileDialog(FileDialogRequest& request)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_fileDialogs.push_back(request);
    if (m_fileAnswers.empty())
    {
        if (strict)
            ADD_FAILURE() << "unexpected file dialog";
        return false;
    }
    std::optional<std::wstring> answer = m_fileAnswers.front();
    m_fileAnswers.pop_front();
    if (!answer)
        return false;
    request.fileName = *answer;
    return true;
}

INT_PTR ScriptedPrompts::LaunchShell(HWND, const wchar_t* verb, const std::wstring& file,
                                     const std::wstring& parameters, int)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_launches.push_back({verb ? verb : L"", file, parameters});
    return 42;
}

INT_PTR ScriptedPrompts::LaunchShellIn(HWND, const wchar_t* verb, const std::wstring& file,
                                       const std::wstring& parameters, const std::wstring& directory, int)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_launches.push_back({verb ? verb : L"", file, parameters, directory});
    return 42;
}

HWND ScriptedPrompts::OpenHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_help.push_back({owner, file, command, data});
    return helpFails ? nullptr : GetDesktopWindow();
}

bool ScriptedPrompts::AnswerModal(UINT dialogId, INT_PTR& result)
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_modalAnswers.begin(); it != m_modalAnswers.end(); ++it)
    {
        if (it->first == dialogId)
        {
            result = it->second;
            m_modalAnswers.erase(it);
            return true;
        }
    }
    return false;
}

void ScriptedPrompts::SetStatusText(const std::wstring& text)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_status.push_back(text);
}

// The real implementations of the user-prompt seam, and its switch.
#include "base/UserPrompts.h"

#include "base/ProgramInfo.h"
#include "base/Strings.h"

#include <commdlg.h>
#include <shellapi.h>
#include <atomic>

namespace
{
class CSystemPrompts final : public IUserPrompts
{
  public:
    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override
    {
        return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    }

    bool FileDialog(FileDialogRequest& request) override
    {
        // The filter arrives "|"-separated; the dialog wants NUL separators.
        std::wstring filter = request.filter;
        for (wchar_t& c : filter)
            if (c == L'|')
                c = L'\0';
        std::wstring buffer = request.fileName;
        buffer.resize(32768, L'\0');
        OPENFILENAMEW ofn = {};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = request.owner;
        ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = static_cast<DWORD>(buffer.size());
        ofn.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
        ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
        ofn.Flags = request.flags | OFN_EXPLORER | OFN_ENABLESIZING;
        BOOL ok = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
        if (!ok)
            return false;
        request.fileName = buffer.c_str();
        return true;
    }

    INT_PTR LaunchShell(HWND owner, const wchar_t* verb, const std::wstring& file,
                        const std::wstring& parameters, int show) override
    {
        return reinterpret_cast<INT_PTR>(ShellExecuteW(
            owner, verb, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr, show));
    }
    INT_PTR LaunchShellIn(HWND owner, const wchar_t* verb, const std::wstring& file,
                          const std::wstring& parameters, const std::wstring& directory, int show) override
    {
        return reinterpret_cast<INT_PTR>(
            ShellExecuteW(owner, verb, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                          directory.empty() ? nullptr : directory.c_str(), show));
    }
};

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

HtmlHelpFn HtmlHelpEntry()
{
    // Loaded once and kept: help windows outlive the call.
    static HtmlHelpFn entry = [] {
        HMODULE library = LoadLibraryW(L"hhctrl.ocx");
        return library ? reinterpret_cast<HtmlHelpFn>(
                             reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpW")))
                       : nullptr;
    }();
    return entry;
}

CSystemPrompts g_systemPrompts;
std::atomic<IUserPrompts*> g_prompts{nullptr};
std::atomic<IStatusText*> g_statusSink{nullptr};
std::atomic<HWND> g_owner{nullptr};
} // namespace

HWND IUserPrompts::OpenHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data)
{
    HtmlHelpFn help = HtmlHelpEntry();
    return help ? help(owner, file.c_str(), command, data) : nullptr;
}

IUserPrompts& UserPrompts()
{
    IUserPrompts* prompts = g_prompts.load();
    return prompts ? *prompts : g_systemPrompts;
}

void SetUserPrompts(IUserPrompts* prompts)
{
    g_prompts = prompts;
}

void SetStatusTextSink(IStatusText* sink)
{
    g_statusSink = sink;
}

void ShowStatusText(const std::wstring& text)
{
    if (IStatusText* sink = g_statusSink.load())
        sink->SetStatusText(text);
}

void SetPromptOwner(HWND owner)
{
    g_owner = owner;
}

HWND PromptOwner()
{
    return g_owner.load();
}

UINT WithDefaultIcon(UINT type)
{
    if ((type & MB_ICONMASK) != 0)
        return type;
    switch (type & MB_TYPEMASK)
    {
    case MB_OK:
    case MB_OKCANCEL:
        return type | MB_ICONEXCLAMATION;
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return type | MB_ICONQUESTION;
    default:
        return type;
    }
}

int AfxMessageBox(const std::wstring& text, UINT type)
{
    HWND owner = PromptOwner();
    if (owner && !IsWindow(owner))
        owner = nullptr;
    return UserPrompts().ShowMessageBox(owner, text, kApplicationName, WithDefaultIcon(type));
}

int AfxMessageBox(UINT stringId, UINT type)
{
    return AfxMessageBox(zv::LoadResString(stringId), type);
}

bool AskYesNo(const std::wstring& text)
{
    return AfxMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

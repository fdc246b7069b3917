// HTML Help routing.
#include "app/Help.h"

#include <htmlhelp.h>

namespace
{
constexpr DWORD_PTR kFrameHelpId = 0x20065;
constexpr DWORD_PTR kBookmarkFirst = 0x10465;
constexpr DWORD_PTR kBookmarkLast = 0x1052D;
constexpr DWORD_PTR kBookmarkTopic = 0x1EF1A;

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
} // namespace

const std::wstring& HelpFilePath()
{
    static const std::wstring path = [] {
        wchar_t module[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, module, MAX_PATH);
        std::wstring folder(module);
        size_t slash = folder.find_last_of(L"\\/");
        folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
        return folder + L"Zorvane.chm";
    }();
    return path;
}

DWORD_PTR MapHelpContext(DWORD_PTR context)
{
    if (context >= kBookmarkFirst && context <= kBookmarkLast)
        return kBookmarkTopic;
    return context;
}

bool ShowHelp(HWND owner, DWORD_PTR data, UINT command)
{
    HtmlHelpFn help = HtmlHelpEntry();
    if (!help)
        return false;
    const wchar_t* file = HelpFilePath().c_str();
    bool topic = command == HELP_CONTEXT && data != kFrameHelpId;
    if (topic && help(owner, file, HH_HELP_CONTEXT, MapHelpContext(data)))
        return true;
    return help(owner, file, HH_DISPLAY_TOPIC, 0) != nullptr;
}

// Frame fixture.
#include "support/FrameFixture.h"

#include "app/Help.h"
#include "base/Shutdown.h"
#include "base/SettingsStore.h"

#include <stdexcept>

void FixtureApp::WinHelp(HWND owner, DWORD_PTR data, UINT command)
{
    ShowHelp(owner ? owner : (m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr), data, command);
}

FrameFixture::FrameFixture() : app(L"Zorvane")
{
    ResetShutdownForTests();
    Settings().DeleteProfileSection(L"RecentPath");
    docTemplate = new CSingleDocTemplate(
        IDR_MAINFRAME, [] { return new CNavroDoc; }, [] { return static_cast<CFrameWnd*>(new CMainFrame); },
        nullptr);
    app.AddDocTemplate(docTemplate);
    doc = static_cast<CNavroDoc*>(docTemplate->OpenDocumentFile(nullptr, true));
    frame = dynamic_cast<CMainFrame*>(app.m_pMainWnd);
    if (!frame)
        throw std::runtime_error("the main window could not be created");
    Pump(100);
}

FrameFixture::~FrameFixture()
{
    if (frame && frame->m_hWnd)
        Close();
    app.m_pMainWnd = nullptr;
    Settings().DeleteProfileSection(L"RecentPath");
    ResetShutdownForTests();
}

void DispatchThroughProgram(MSG& msg)
{
    if (!AfxGetApp() || !AfxGetApp()->PreTranslateMessage(&msg))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void FrameFixture::Pump(DWORD ms)
{
    DWORD start = GetTickCount();
    do
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchThroughProgram(msg);
        if (AfxGetApp())
            AfxGetApp()->OnIdle(0);
        // Wakes at once for messages that workers send to our windows.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

bool FrameFixture::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!condition())
    {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Pump(10);
    }
    return true;
}

bool FrameFixture::PumpQueued(DWORD timeoutMs)
{
    static const UINT marker = RegisterWindowMessageW(L"ZorvaneTestQueueMarker");
    PostMessageW(frame->m_hWnd, marker, 0, 0);
    DWORD start = GetTickCount();
    do
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == marker && msg.hwnd == frame->m_hWnd)
                return true;
            DispatchThroughProgram(msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

bool FrameFixture::SettleWorkers(DWORD timeoutMs)
{
    bool settled = PumpUntil([this] { return !Tree().IsBusy() && !frame->HasRunningTasks(); }, timeoutMs);
    Pump(20);
    return settled;
}

void FrameFixture::Close()
{
    HWND window = frame->m_hWnd;
    SendMessageW(window, WM_CLOSE, 0, 0);
    PumpUntil([window] { return !IsWindow(window); }, 5000);
    frame = nullptr;
    MSG msg;
    // The frame posts WM_QUIT when it goes; the next test must not see it.
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
    {
    }
}

void FrameFixture::PressKey(WORD key, bool control, bool shift, bool alt)
{
    HWND focus = GetFocus();
    BYTE state[256] = {};
    GetKeyboardState(state);
    auto set = [&](int vk, bool down) { state[vk] = down ? 0x80 : 0; };
    set(VK_CONTROL, control);
    set(VK_SHIFT, shift);
    set(VK_MENU, alt);
    SetKeyboardState(state);
    MSG msg = {};
    msg.hwnd = focus;
    msg.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1 | (alt ? (1 << 29) : 0);
    DispatchThroughProgram(msg);
    msg.message = alt ? WM_SYSKEYUP : WM_KEYUP;
    msg.lParam |= 0xC0000000;
    DispatchThroughProgram(msg);
    set(VK_CONTROL, false);
    set(VK_SHIFT, false);
    set(VK_MENU, false);
    SetKeyboardState(state);
    Pump(20);
}

std::wstring FrameFixture::StatusText() const
{
    wchar_t text[512] = {};
    HWND bar = frame->m_statusBar ? frame->m_statusBar->m_hWnd : nullptr;
    if (bar)
        ::SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

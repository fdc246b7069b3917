// Recording window for tests.
#include "support/MessageRecorder.h"

#include <algorithm>

namespace
{
const wchar_t kClassName[] = L"ZorvaneTestRecorder";
}

MessageRecorder::MessageRecorder(UINT first, UINT last, std::vector<UINT> textMessages)
    : m_first(first), m_last(last), m_textMessages(std::move(textMessages))
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc); // a second registration fails harmlessly
    m_window =
        CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, this);
}

MessageRecorder::~MessageRecorder()
{
    if (m_window)
        DestroyWindow(m_window);
}

std::vector<RecordedMessage> MessageRecorder::Messages() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages;
}

LRESULT CALLBACK MessageRecorder::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE)
    {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MessageRecorder*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message >= self->m_first && message <= self->m_last)
    {
        RecordedMessage record{message, wParam, lParam, {}};
        if (lParam && std::find(self->m_textMessages.begin(), self->m_textMessages.end(), message) !=
                          self->m_textMessages.end())
            record.text = reinterpret_cast<const wchar_t*>(lParam);
        {
            std::lock_guard<std::mutex> guard(self->m_lock);
            self->m_messages.push_back(record);
        }
        if (self->onMessage)
            self->onMessage(record);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool MessageRecorder::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!condition())
    {
        if (GetTickCount() - start > timeoutMs)
            return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void PumpMessagesFor(DWORD ms)
{
    DWORD start = GetTickCount();
    do
    {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    } while (GetTickCount() - start < ms);
}

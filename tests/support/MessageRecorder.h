// A hidden window of the test's own that records the messages it is sent
// (from any thread), and pumps the test thread's queue until a condition holds.
#pragma once

#include <windows.h>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct RecordedMessage
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::wstring text; // lParam read as wide text, when the recorder was told to
};

class MessageRecorder
{
  public:
    // Messages in [first, last] are recorded; for those in textMessages the
    // lParam is copied as wide text during the call.
    explicit MessageRecorder(UINT first = WM_APP, UINT last = 0xBFFF, std::vector<UINT> textMessages = {});
    ~MessageRecorder();

    HWND Window() const noexcept { return m_window; }
    // Runs on the window's thread inside each recorded message, before it
    // returns to the sender (a worker in SendMessage waits meanwhile).
    std::function<void(const RecordedMessage&)> onMessage;
    std::vector<RecordedMessage> Messages() const;
    // Pumps messages until condition() or the timeout; returns condition().
    bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000);

  private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    HWND m_window = nullptr;
    UINT m_first, m_last;
    std::vector<UINT> m_textMessages;
    mutable std::mutex m_lock;
    std::vector<RecordedMessage> m_messages;
};

// Pumps the calling thread's messages for about ms milliseconds.
void PumpMessagesFor(DWORD ms);

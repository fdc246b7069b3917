// CWnd: the window base of the framework. A window of our own class binds
// `this` at WM_NCCREATE; a system control (tree, list, combo box) is
// subclassed after creation. Each class describes its messages with a
// message map (BEGIN_MSG_MAP ... END_MSG_MAP) that the static window
// procedure dispatches to typed handlers. Notifications a child control sends
// to its parent are offered to the child first (reflection), so a view over a
// control handles its own notifications.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <string>

// Reflected messages arrive at the child as kReflectBase + the message.
constexpr UINT kReflectBase = 0x2000;
constexpr UINT OCM_NOTIFY_ = kReflectBase + WM_NOTIFY;
constexpr UINT OCM_COMMAND_ = kReflectBase + WM_COMMAND;

// The framework's own window classes are named prefix + kind ("Frame",
// "Splitter"); the application object sets the prefix from its name.
std::wstring FrameworkClassName(const wchar_t* kind);
void SetFrameworkClassPrefix(const std::wstring& prefix);

class CWnd
{
  public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The CWnd bound to a window, or null.
    static CWnd* FromHandle(HWND window) noexcept;
    // Binds a window made elsewhere (a dialog) to its object, and undoes it.
    static void BindHandle(HWND window, CWnd* object);
    static void UnbindHandle(HWND window);

    // Registers (once) and creates a window of the framework's own class
    // named className.
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                  const RECT& rect, HWND parent, UINT_PTR idOrMenu, HICON icon = nullptr,
                  HBRUSH background = nullptr, UINT classStyle = CS_DBLCLKS);
    // The same with position and size (which may be CW_USEDEFAULT).
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                  int cx, int cy, HWND parent, UINT_PTR idOrMenu, HICON icon = nullptr,
                  HBRUSH background = nullptr, UINT classStyle = CS_DBLCLKS);
    // Creates a window of a system class (a common control) and subclasses it.
    bool CreateControl(DWORD exStyle, const wchar_t* systemClass, const wchar_t* title, DWORD style,
                       const RECT& rect, HWND parent, UINT id);
    bool SubclassWindow(HWND window);
    HWND UnsubclassWindow();
    bool DestroyWindow();

    // The class's message map; true when a handler took the message.
    virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after WM_NCDESTROY, when the window is gone.
    virtual void OnFinalMessage(HWND) {}
    // Gives a window the chance to handle a message before it is dispatched.
    virtual bool PreTranslateMessage(MSG*) { return false; }

    operator HWND() const noexcept { return m_hWnd; }
    bool IsWindow() const noexcept { return m_hWnd && ::IsWindow(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    HWND m_hWnd = nullptr;

  protected:
    // Offers a notification or control command to the control that sent it.
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  private:
    static LRESULT CALLBACK StartWindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    static LRESULT CALLBACK StaticWindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    void Attach(HWND window);
    WNDPROC m_superProc = nullptr;
};

// --- Message map macros ---------------------------------------------------

#define BEGIN_MSG_MAP(theClass)                                                                              \
  public:                                                                                                    \
    bool ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override \
    {                                                                                                        \
        (void)hWnd;                                                                                          \
        (void)wParam;                                                                                        \
        (void)lParam;                                                                                        \
        bool bHandled = true;                                                                                \
        (void)bHandled;

// Raw escape: LRESULT func(UINT, WPARAM, LPARAM, bool& handled)
#define MESSAGE_HANDLER(msg, func)                                                                           \
    if (uMsg == (msg))                                                                                       \
    {                                                                                                        \
        bHandled = true;                                                                                     \
        lResult = func(uMsg, wParam, lParam, bHandled);                                                      \
        if (bHandled)                                                                                        \
            return true;                                                                                     \
    }

#define MESSAGE_RANGE_HANDLER(first, last, func)                                                             \
    if (uMsg >= (first) && uMsg <= (last))                                                                   \
    {                                                                                                        \
        bHandled = true;                                                                                     \
        lResult = func(uMsg, wParam, lParam, bHandled);                                                      \
        if (bHandled)                                                                                        \
            return true;                                                                                     \
    }

// int OnCreate(const CREATESTRUCTW&): -1 fails the creation
#define MSG_WM_CREATE(func)                                                                                  \
    if (uMsg == WM_CREATE)                                                                                   \
    {                                                                                                        \
        lResult = func(*reinterpret_cast<const CREATESTRUCTW*>(lParam));                                     \
        return true;                                                                                         \
    }

// void OnDestroy()
#define MSG_WM_DESTROY(func)                                                                                 \
    if (uMsg == WM_DESTROY)                                                                                  \
    {                                                                                                        \
        func();                                                                                              \
        lResult = 0;                                                                                         \
        return true;                                                                                         \
    }

// void OnSize(UINT type, int cx, int cy)
#define MSG_WM_SIZE(func)                                                                                    \
    if (uMsg == WM_SIZE)                                                                                     \
    {                                                                                                        \
        func(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));                                     \
        lResult = 0;                                                                                         \
        return true;                                                                                         \
    }

// void OnClose()
#define MSG_WM_CLOSE(func)                                                                                   \
    if (uMsg == WM_CLOSE)                                                                                    \
    {                                                                                                        \
        func();                                                                                              \
        lResult = 0;                                                                                         \
        return true;                                                                                         \
    }

// void OnSetFocus(HWND previous)
#define MSG_WM_SETFOCUS(func)                                                                                \
    if (uMsg == WM_SETFOCUS)                                                                                 \
    {                                                                                                        \
        func(reinterpret_cast<HWND>(wParam));                                                                \
        lResult = 0;                                                                                         \
        return true;                                                                                         \
    }

// void OnTimer(UINT_PTR id)
#define MSG_WM_TIMER(func)                                                                                   \
    if (uMsg == WM_TIMER)                                                                                    \
    {                                                                                                        \
        func(static_cast<UINT_PTR>(wParam));                                                                 \
        lResult = 0;                                                                                         \
        return true;                                                                                         \
    }

// LRESULT func(NMHDR*) for a notification code from any control
#define NOTIFY_CODE_HANDLER(notifyCode, func)                                                                \
    if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode))        \
    {                                                                                                        \
        lResult = func(reinterpret_cast<NMHDR*>(lParam));                                                    \
        return true;                                                                                         \
    }

#define NOTIFY_HANDLER(id, notifyCode, func)                                                                 \
    if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == static_cast<UINT_PTR>(id) &&        \
        reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode))                             \
    {                                                                                                        \
        lResult = func(reinterpret_cast<NMHDR*>(lParam));                                                    \
        return true;                                                                                         \
    }

// A notification this control sent to its parent, reflected back: LRESULT func(NMHDR*)
#define REFLECTED_NOTIFY_CODE_HANDLER(notifyCode, func)                                                      \
    if (uMsg == OCM_NOTIFY_ && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode))      \
    {                                                                                                        \
        lResult = func(reinterpret_cast<NMHDR*>(lParam));                                                    \
        return true;                                                                                         \
    }

// A control notification by WM_COMMAND from control id with code: void func()
#define COMMAND_CODE_HANDLER_EX(id, notifyCode, func)                                                        \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (notifyCode) && lParam != 0)       \
    {                                                                                                        \
        func();                                                                                              \
        lResult = 0;                                                                                         \
        return true;                                                                                         \
    }

#define CHAIN_MSG_MAP(theBase)                                                                               \
    if (theBase::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))                                  \
        return true;

#define END_MSG_MAP()                                                                                        \
    return false;                                                                                            \
    }

// Paints what waits to be painted in this thread's windows, and nothing
// else: a long operation on the window thread calls it now and then so the
// window never shows stale or empty areas, without letting input in.
void PaintPendingWindows() noexcept;

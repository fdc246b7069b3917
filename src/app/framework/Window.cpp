// Window binding, subclassing, dispatch and reflection.
#include "app/framework/Window.h"
#include "base/Log.h"

#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

namespace
{
// Which object a window is bound to. A table of our own rather than a window
// property: the lookup runs for every message, and a property read can cost a
// round trip to the window server.
struct BindingTable
{
    std::shared_mutex lock;
    std::unordered_map<HWND, CWnd*> windows;
};

BindingTable& Bindings()
{
    static BindingTable* table = new BindingTable; // outlives every window
    return *table;
}

void Bind(HWND window, CWnd* object)
{
    BindingTable& table = Bindings();
    std::unique_lock<std::shared_mutex> guard(table.lock);
    table.windows[window] = object;
}

void Unbind(HWND window)
{
    BindingTable& table = Bindings();
    std::unique_lock<std::shared_mutex> guard(table.lock);
    table.windows.erase(window);
}

std::wstring& ClassPrefix()
{
    static std::wstring* prefix = new std::wstring(L"Afx"); // outlives every window
    return *prefix;
}
} // namespace

std::wstring FrameworkClassName(const wchar_t* kind)
{
    return ClassPrefix() + kind;
}

void SetFrameworkClassPrefix(const std::wstring& prefix)
{
    if (!prefix.empty())
        ClassPrefix() = prefix;
}

CWnd::~CWnd()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandle(HWND window) noexcept
{
    if (!window)
        return nullptr;
    BindingTable& table = Bindings();
    std::shared_lock<std::shared_mutex> guard(table.lock);
    auto found = table.windows.find(window);
    return found == table.windows.end() ? nullptr : found->second;
}

void CWnd::BindHandle(HWND window, CWnd* object)
{
    Bind(window, object);
}

void CWnd::UnbindHandle(HWND window)
{
    Unbind(window);
}

void CWnd::Attach(HWND window)
{
    m_hWnd = window;
    Bind(window, this);
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                    const RECT& rect, HWND parent, UINT_PTR idOrMenu, HICON icon, HBRUSH background,
                    UINT classStyle)
{
    return CreateEx(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, idOrMenu, icon, background, classStyle);
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y,
                    int cx, int cy, HWND parent, UINT_PTR idOrMenu, HICON icon, HBRUSH background,
                    UINT classStyle)
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW existing = {sizeof(existing)};
    if (!::GetClassInfoExW(instance, className, &existing))
    {
        WNDCLASSEXW wc = {sizeof(wc)};
        wc.style = classStyle;
        wc.lpfnWndProc = StartWindowProc;
        wc.hInstance = instance;
        wc.hIcon = icon;
        wc.hIconSm = icon;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = background;
        wc.lpszClassName = className;
        if (!::RegisterClassExW(&wc))
            return false;
    }
    HWND window = ::CreateWindowExW(exStyle, className, title, style, x, y, cx, cy, parent,
                                    reinterpret_cast<HMENU>(idOrMenu), instance, this);
    return window != nullptr && m_hWnd == window;
}

bool CWnd::CreateControl(DWORD exStyle, const wchar_t* systemClass, const wchar_t* title, DWORD style,
                         const RECT& rect, HWND parent, UINT id)
{
    HWND window =
        ::CreateWindowExW(exStyle, systemClass, title, style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                          ::GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return false;
    return SubclassWindow(window);
}

bool CWnd::SubclassWindow(HWND window)
{
    if (!window || m_hWnd)
        return false;
    Attach(window);
    m_superProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWindowProc)));
    return m_superProc != nullptr;
}

HWND CWnd::UnsubclassWindow()
{
    HWND window = m_hWnd;
    if (!window)
        return nullptr;
    if (m_superProc)
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    Unbind(window);
    m_superProc = nullptr;
    m_hWnd = nullptr;
    return window;
}

bool CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return false;
    return ::DestroyWindow(m_hWnd) != FALSE;
}

bool CWnd::ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_superProc)
        return ::CallWindowProcW(m_superProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

bool CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND child = nullptr;
    if (message == WM_NOTIFY)
        child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
    else if (message == WM_COMMAND && lParam)
        child = reinterpret_cast<HWND>(lParam);
    CWnd* target = FromHandle(child);
    if (!target || target == this)
        return false;
    return target->ProcessWindowMessage(child, kReflectBase + message, wParam, lParam, result);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if ((message == WM_NOTIFY || message == WM_COMMAND) && ReflectToChild(message, wParam, lParam, result))
        return result;
    if (ProcessWindowMessage(m_hWnd, message, wParam, lParam, result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CALLBACK CWnd::StartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE)
    {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        if (auto* self = static_cast<CWnd*>(create->lpCreateParams))
        {
            self->Attach(window);
            ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWindowProc));
            return StaticWindowProc(window, message, wParam, lParam);
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    CWnd* self = FromHandle(window);
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    try
    {
        result = self->WindowProc(message, wParam, lParam);
    }
    catch (...)
    {
        // Nothing may unwind through the platform's window procedure. A
        // failed creation handler fails the creation.
        LogCaughtException(L"window procedure");
        result = message == WM_CREATE ? -1 : 0;
    }
    if (message == WM_NCDESTROY)
    {
        WNDPROC super = self->m_superProc;
        Unbind(window);
        if (super)
            ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        self->m_superProc = nullptr;
        self->m_hWnd = nullptr;
        self->OnFinalMessage(window);
    }
    return result;
}

std::wstring CWnd::GetWindowText() const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

RECT CWnd::GetClientRect() const
{
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWnd::GetWindowRect() const
{
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

void PaintPendingWindows() noexcept
{
    MSG message;
    for (int i = 0; i < 64 && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
        DispatchMessageW(&message);
}

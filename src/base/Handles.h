// RAII owners for the platform's handle types, a COM pointer and a scope guard.
// Borrowed handles travel as plain parameters; owned ones live in these.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <unknwn.h>
#include <utility>

namespace zv
{

// A movable owner of one handle value; Traits::Close frees it, Traits::Invalid() is "none".
template <typename T, typename Traits> class unique_any
{
  public:
    unique_any() noexcept = default;
    explicit unique_any(T value) noexcept : m_value(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_value(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    T get() const noexcept { return m_value; }
    explicit operator bool() const noexcept { return m_value != Traits::Invalid(); }
    T release() noexcept { return std::exchange(m_value, Traits::Invalid()); }
    void reset(T value = Traits::Invalid()) noexcept
    {
        T old = std::exchange(m_value, value);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }
    // Releases the current value and hands out the address for an out-parameter.
    T* put() noexcept
    {
        reset();
        return &m_value;
    }

  private:
    T m_value = Traits::Invalid();
};

// A predefined root key (HKEY_CURRENT_USER and friends) is never closed, even if
// it ends up in an owner by accident.
struct HkeyTraits
{
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY key) noexcept
    {
        if ((reinterpret_cast<ULONG_PTR>(key) & 0xF0000000u) != 0x80000000u)
            ::RegCloseKey(key);
    }
};
struct HandleTraits
{
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept
    {
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
    }
};
struct FileHandleTraits
{
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits
{
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct HmenuTraits
{
    static HMENU Invalid() noexcept { return nullptr; }
    static void Close(HMENU h) noexcept { ::DestroyMenu(h); }
};
template <typename G> struct GdiTraits
{
    static G Invalid() noexcept { return nullptr; }
    static void Close(G h) noexcept { ::DeleteObject(h); }
};
struct HmoduleTraits
{
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};
struct HlocalTraits
{
    static HLOCAL Invalid() noexcept { return nullptr; }
    static void Close(HLOCAL h) noexcept { ::LocalFree(h); }
};
struct HglobalTraits
{
    static HGLOBAL Invalid() noexcept { return nullptr; }
    static void Close(HGLOBAL h) noexcept { ::GlobalFree(h); }
};
struct HcursorTraits
{
    static HCURSOR Invalid() noexcept { return nullptr; }
    static void Close(HCURSOR h) noexcept { ::DestroyCursor(h); }
};
struct HiconTraits
{
    static HICON Invalid() noexcept { return nullptr; }
    static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};
struct HaccelTraits
{
    static HACCEL Invalid() noexcept { return nullptr; }
    static void Close(HACCEL h) noexcept { ::DestroyAcceleratorTable(h); }
};
struct HimagelistTraits
{
    static HIMAGELIST Invalid() noexcept { return nullptr; }
    static void Close(HIMAGELIST h) noexcept { ::ImageList_Destroy(h); }
};
struct CoTaskMemTraits
{
    static void* Invalid() noexcept { return nullptr; }
    static void Close(void* p) noexcept { ::CoTaskMemFree(p); }
};
struct SidTraits
{
    static PSID Invalid() noexcept { return nullptr; }
    static void Close(PSID h) noexcept { ::FreeSid(h); }
};

using unique_hkey = unique_any<HKEY, HkeyTraits>;
using unique_handle = unique_any<HANDLE, HandleTraits>;
using unique_hfile = unique_any<HANDLE, FileHandleTraits>;
using unique_hfind = unique_any<HANDLE, FindHandleTraits>;
using unique_hmenu = unique_any<HMENU, HmenuTraits>;
using unique_hfont = unique_any<HFONT, GdiTraits<HFONT>>;
using unique_hbitmap = unique_any<HBITMAP, GdiTraits<HBITMAP>>;
using unique_hbrush = unique_any<HBRUSH, GdiTraits<HBRUSH>>;
using unique_hmodule = unique_any<HMODULE, HmoduleTraits>;
using unique_hlocal = unique_any<HLOCAL, HlocalTraits>;
using unique_hglobal = unique_any<HGLOBAL, HglobalTraits>;
using unique_hcursor = unique_any<HCURSOR, HcursorTraits>;
using unique_hicon = unique_any<HICON, HiconTraits>;
using unique_haccel = unique_any<HACCEL, HaccelTraits>;
using unique_himagelist = unique_any<HIMAGELIST, HimagelistTraits>;
using unique_sid = unique_any<PSID, SidTraits>;
using unique_cotaskmem = unique_any<void*, CoTaskMemTraits>;

// An owning COM interface pointer.
template <typename I> class com_ptr
{
  public:
    com_ptr() noexcept = default;
    com_ptr(std::nullptr_t) noexcept {}
    // Takes over a reference the caller already owns.
    static com_ptr attach(I* p) noexcept
    {
        com_ptr r;
        r.m_p = p;
        return r;
    }
    // Adds a reference of its own.
    static com_ptr copy(I* p) noexcept
    {
        if (p)
            p->AddRef();
        return attach(p);
    }
    com_ptr(const com_ptr& o) noexcept : m_p(o.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    com_ptr(com_ptr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    com_ptr& operator=(com_ptr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~com_ptr() { reset(); }

    I* get() const noexcept { return m_p; }
    I* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    void reset() noexcept
    {
        if (I* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    I* detach() noexcept { return std::exchange(m_p, nullptr); }
    I** put() noexcept
    {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    template <typename J> com_ptr<J> query() const noexcept
    {
        com_ptr<J> r;
        if (m_p)
            m_p->QueryInterface(__uuidof(J), r.put_void());
        return r;
    }

  private:
    I* m_p = nullptr;
};

// Runs a callable when the scope ends, unless dismissed.
template <typename F> class scope_exit_t
{
  public:
    explicit scope_exit_t(F f) noexcept : m_f(std::move(f)) {}
    scope_exit_t(const scope_exit_t&) = delete;
    scope_exit_t& operator=(const scope_exit_t&) = delete;
    ~scope_exit_t()
    {
        if (m_active)
            m_f();
    }
    void dismiss() noexcept { m_active = false; }

  private:
    F m_f;
    bool m_active = true;
};
template <typename F> [[nodiscard]] scope_exit_t<F> scope_exit(F f) noexcept
{
    return scope_exit_t<F>(std::move(f));
}

} // namespace zv

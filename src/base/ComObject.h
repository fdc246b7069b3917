// The one base of the program's COM objects. Its reference count starts at 1:
// that first reference belongs to whoever created the object and is handed
// to a com_ptr by MakeCom. QueryInterface answers IUnknown and each listed
// interface from one table; an object may answer more (a base interface of a
// listed one) through QueryExtraInterface. Every interface method of a
// derived class wraps its body in ComCall, so that no exception unwinds into
// ole32 or the shell.
#pragma once

#include "base/Handles.h"
#include "base/Log.h"

#include <windows.h>
#include <unknwn.h>
#include <atomic>
#include <new>
#include <utility>

namespace zv
{

// The IID of an interface; specialised where the platform headers give none.
template <typename I> inline const IID& IidOf() noexcept
{
    return __uuidof(I);
}

template <typename First, typename... Rest> class ComObject : public First, public Rest...
{
  public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown)
            *out = static_cast<First*>(this);
        else if (!Find<First, Rest...>(iid, out))
            *out = QueryExtraInterface(iid);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(++m_refs); }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        LONG left = --m_refs;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    LONG ReferenceCount() const noexcept { return m_refs.load(); }

  protected:
    virtual ~ComObject() = default;
    // Another interface this object answers for (a base of a listed one).
    virtual void* QueryExtraInterface(REFIID) noexcept { return nullptr; }

  private:
    template <typename I, typename... More> bool Find(REFIID iid, void** out) noexcept
    {
        if (iid == IidOf<I>())
        {
            *out = static_cast<I*>(this);
            return true;
        }
        if constexpr (sizeof...(More) > 0)
            return Find<More...>(iid, out);
        return false;
    }

    std::atomic<LONG> m_refs{1};
};

// Creates an object and gives its first reference to a com_ptr.
template <typename T, typename... Args> com_ptr<T> MakeCom(Args&&... args)
{
    return com_ptr<T>::attach(new T(std::forward<Args>(args)...));
}

// Runs the body of an interface method: its HRESULT, or the failure an
// exception stands for.
template <typename F> HRESULT ComCall(F&& body) noexcept
{
    try
    {
        return body();
    }
    catch (const std::bad_alloc&)
    {
        LogCaughtException(L"COM method");
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        LogCaughtException(L"COM method");
        return E_UNEXPECTED;
    }
}

} // namespace zv

// Registry auto-complete.
#include "frame/RegistryACList.h"

#include "app/Options.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"

#include <shlguid.h>
#include <shlwapi.h>

CRegistryACList::CRegistryACList(const std::wstring& prefix) : m_prefix(prefix)
{
}

CRegistryACList::~CRegistryACList() = default;

STDMETHODIMP CRegistryACList::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumString)
        *out = static_cast<IEnumString*>(this);
    else if (iid == IID_IACList)
        *out = static_cast<IACList*>(this);
    else
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CRegistryACList::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

STDMETHODIMP_(ULONG) CRegistryACList::Release()
{
    LONG n = InterlockedDecrement(&m_refs);
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP CRegistryACList::Reset()
{
    m_typed.clear();
    m_keyPath.clear();
    m_enumerator.reset();
    return S_OK;
}

STDMETHODIMP CRegistryACList::Expand(LPCOLESTR text)
{
    m_enumerator.reset();
    m_typed = text ? text : L"";
    m_keyPath.clear();
    if (m_typed.size() > 1)
        ParseRegistryPath(m_typed, m_keyPath);
    return S_OK;
}

bool CRegistryACList::Step()
{
    if (!m_enumerator)
    {
        m_enumerator = std::make_unique<CEzReg>(m_keyPath);
        return m_enumerator->FirstSubKey();
    }
    return m_enumerator->NextSubKey();
}

STDMETHODIMP CRegistryACList::Next(ULONG celt, LPOLESTR* out, ULONG* fetched)
{
    if (fetched)
        *fetched = 0;
    if (!out && celt)
        return E_POINTER;
    if (m_keyPath.empty() && !m_typed.empty() && m_typed != L"\\")
        return S_FALSE;
    if (!m_prefix.empty() && !m_keyPath.empty())
        return S_FALSE;
    ULONG produced = 0;
    for (; produced < celt; ++produced)
    {
        if (!Step())
            break;
        std::wstring candidate = m_typed + m_prefix + m_enumerator->SubKeyName;
        size_t bytes = (candidate.size() + 1) * sizeof(wchar_t);
        auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
        if (!copy)
            break;
        memcpy(copy, candidate.c_str(), bytes);
        out[produced] = copy;
    }
    if (fetched)
        *fetched = produced;
    return produced == celt ? S_OK : S_FALSE;
}

STDMETHODIMP CRegistryACList::Skip(ULONG celt)
{
    if (!m_enumerator)
        return S_FALSE;
    for (ULONG i = 0; i < celt; ++i)
        if (!m_enumerator->NextSubKey())
            return S_FALSE;
    return S_OK;
}

STDMETHODIMP CRegistryACList::Clone(IEnumString** out)
{
    if (!out)
        return E_POINTER;
    // The clone starts its own enumeration from the beginning.
    auto* clone = new CRegistryACList(m_prefix);
    clone->m_typed = m_typed;
    clone->m_keyPath = m_keyPath;
    clone->AddRef();
    *out = clone;
    return S_OK;
}

bool AttachRegistryAutoComplete(IAutoComplete*& holder, HWND edit)
{
    if (FAILED(CoCreateInstance(CLSID_AutoComplete, nullptr, CLSCTX_INPROC_SERVER, IID_IAutoComplete,
                                reinterpret_cast<void**>(&holder))))
    {
        holder = nullptr;
        return false;
    }
    auto* first = new CRegistryACList(L"");
    IUnknown* firstUnknown = nullptr;
    if (FAILED(first->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&firstUnknown))))
    {
        delete first;
        return false;
    }
    IObjMgr* multi = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ACLMulti, nullptr, CLSCTX_INPROC_SERVER, IID_IObjMgr,
                                   reinterpret_cast<void**>(&multi))))
    {
        multi->Append(firstUnknown);
        auto* second = new CRegistryACList(L"HKEY_");
        IUnknown* secondUnknown = nullptr;
        if (SUCCEEDED(second->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&secondUnknown))))
        {
            multi->Append(secondUnknown);
            secondUnknown->Release();
        }
        else
            delete second;
    }
    HRESULT init = holder->Init(edit, multi ? static_cast<IUnknown*>(multi) : firstUnknown, nullptr, nullptr);
    IAutoComplete2* options = nullptr;
    if (SUCCEEDED(holder->QueryInterface(IID_IAutoComplete2, reinterpret_cast<void**>(&options))))
    {
        options->SetOptions(ACO_AUTOSUGGEST | ACO_AUTOAPPEND | ACO_USETAB | ACO_UPDOWNKEYDROPSLIST);
        options->Release();
    }
    if (multi)
        multi->Release();
    firstUnknown->Release();
    return SUCCEEDED(init);
}

void DetachAutoComplete(IAutoComplete*& holder)
{
    if (holder)
        holder->Release();
    holder = nullptr;
}

bool IsAutoCompleteListShown(IAutoComplete* holder)
{
    if (!holder)
        return false;
    IAutoCompleteDropDown* dropDown = nullptr;
    if (FAILED(holder->QueryInterface(IID_IAutoCompleteDropDown, reinterpret_cast<void**>(&dropDown))))
        return false;
    DWORD flags = 0;
    LPWSTR text = nullptr;
    bool shown = SUCCEEDED(dropDown->GetDropDownStatus(&flags, &text)) && (flags & ACDD_VISIBLE);
    if (text)
        CoTaskMemFree(text);
    dropDown->Release();
    return shown;
}

bool AttachFileSystemAutoComplete(HWND edit)
{
    bool append = GetUseAutoAppend();
    bool suggest = GetUseAutoSuggest();
    if (!append && !suggest)
        return false;
    HMODULE shlwapi = LoadLibraryW(L"SHLWAPI.DLL");
    if (!shlwapi)
        return false;
    using AutoCompleteFn = HRESULT(WINAPI*)(HWND, DWORD);
    auto function = reinterpret_cast<AutoCompleteFn>(reinterpret_cast<void*>(GetProcAddress(shlwapi, "SHAutoComplete")));
    bool ok = false;
    if (function)
    {
        DWORD flags = SHACF_FILESYSTEM | SHACF_USETAB |
                      (append ? SHACF_AUTOAPPEND_FORCE_ON : SHACF_AUTOAPPEND_FORCE_OFF) |
                      (suggest ? SHACF_AUTOSUGGEST_FORCE_ON : SHACF_AUTOSUGGEST_FORCE_OFF);
        ok = SUCCEEDED(function(edit, flags));
    }
    // The library stays loaded: the completion object it made lives with the edit box.
    return ok;
}

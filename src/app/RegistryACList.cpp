// Registry auto-complete.
#include "app/RegistryACList.h"

#include "app/Options.h"
#include "registry/EzReg.h"
#include "registry/RegistryPath.h"

#include <shlguid.h>
#include <shlwapi.h>

CRegistryACList::CRegistryACList(const std::wstring& prefix) : m_prefix(prefix) {}

CRegistryACList::~CRegistryACList() = default;

STDMETHODIMP CRegistryACList::Reset()
{
    return zv::ComCall([&] {
        m_typed.clear();
        m_keyPath.clear();
        m_enumerator.reset();
        return S_OK;
    });
}

STDMETHODIMP CRegistryACList::Expand(LPCOLESTR text)
{
    return zv::ComCall([&] {
        m_enumerator.reset();
        m_typed = text ? text : L"";
        m_keyPath.clear();
        if (m_typed.size() > 1)
            ParseRegistryPath(m_typed, m_keyPath);
        return S_OK;
    });
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
    return zv::ComCall([&] { return NextCandidates(celt, out, fetched); });
}

HRESULT CRegistryACList::NextCandidates(ULONG celt, LPOLESTR* out, ULONG* fetched)
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
    return zv::ComCall([&] {
        if (!m_enumerator)
            return S_FALSE;
        for (ULONG i = 0; i < celt; ++i)
            if (!m_enumerator->NextSubKey())
                return S_FALSE;
        return S_OK;
    });
}

STDMETHODIMP CRegistryACList::Clone(IEnumString** out)
{
    if (!out)
        return E_POINTER;
    return zv::ComCall([&] {
        // The clone starts its own enumeration from the beginning.
        auto clone = zv::MakeCom<CRegistryACList>(m_prefix);
        clone->m_typed = m_typed;
        clone->m_keyPath = m_keyPath;
        *out = clone.detach();
        return S_OK;
    });
}

bool AttachRegistryAutoComplete(zv::com_ptr<IAutoComplete>& holder, HWND edit)
{
    holder.reset();
    zv::com_ptr<IAutoComplete> complete;
    if (FAILED(CoCreateInstance(CLSID_AutoComplete, nullptr, CLSCTX_INPROC_SERVER, IID_IAutoComplete,
                                complete.put_void())))
        return false;
    // Candidates come from two lists: plain paths, and the same with "HKEY_".
    zv::com_ptr<IUnknown> source = zv::MakeCom<CRegistryACList>(L"").query<IUnknown>();
    zv::com_ptr<IObjMgr> multi;
    if (SUCCEEDED(
            CoCreateInstance(CLSID_ACLMulti, nullptr, CLSCTX_INPROC_SERVER, IID_IObjMgr, multi.put_void())))
    {
        multi->Append(source.get());
        multi->Append(zv::MakeCom<CRegistryACList>(L"HKEY_").query<IUnknown>().get());
        source = multi.query<IUnknown>();
    }
    if (FAILED(complete->Init(edit, source.get(), nullptr, nullptr)))
        return false;
    if (auto options = complete.query<IAutoComplete2>())
        options->SetOptions(ACO_AUTOSUGGEST | ACO_AUTOAPPEND | ACO_USETAB | ACO_UPDOWNKEYDROPSLIST);
    holder = std::move(complete);
    return true;
}

namespace
{
// The shown list window of an auto-complete object on this thread: a
// top-level pop-up of the "Static" class holding a list box, owned by the
// edit's window.
struct ListSearch
{
    HWND root;
    HWND found;
};

BOOL CALLBACK CheckCompletionList(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<ListSearch*>(param);
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (IsWindowVisible(window) && (GetWindowLongW(window, GWL_STYLE) & WS_POPUP) &&
        _wcsicmp(cls, L"Static") == 0 && GetWindow(window, GW_OWNER) == search->root &&
        FindWindowExW(window, nullptr, L"ListBox", nullptr))
    {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindShownCompletionList(HWND edit)
{
    ListSearch search{GetAncestor(edit, GA_ROOT), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), CheckCompletionList, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
} // namespace

bool IsAutoCompleteListShown(IAutoComplete* holder, HWND edit)
{
    if (!holder)
        return false;
    zv::com_ptr<IAutoCompleteDropDown> dropDown;
    if (SUCCEEDED(holder->QueryInterface(IID_IAutoCompleteDropDown, dropDown.put_void())))
    {
        DWORD flags = 0;
        zv::unique_cotaskmem text;
        if (SUCCEEDED(dropDown->GetDropDownStatus(&flags, reinterpret_cast<LPWSTR*>(text.put()))) &&
            (flags & ACDD_VISIBLE))
            return true;
    }
    return edit && FindShownCompletionList(edit) != nullptr;
}

void CloseAutoCompleteList(IAutoComplete* holder, HWND edit)
{
    if (!IsAutoCompleteListShown(holder, edit))
        return;
    // Escape closes the list where the object listens for it.
    ::SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
    if (HWND list = FindShownCompletionList(edit))
        ShowWindow(list, SW_HIDE);
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
    auto function =
        reinterpret_cast<AutoCompleteFn>(reinterpret_cast<void*>(GetProcAddress(shlwapi, "SHAutoComplete")));
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

// Registry auto-complete: CRegistryACList offers the sub-keys of the typed
// path (or the five roots, optionally with "HKEY_" in front) to the shell's
// auto-complete object; the attach functions bind completion to edit boxes.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shldisp.h>
#include <shlobj.h>

#include <memory>
#include <string>

class CEzReg;

class CRegistryACList final : public IEnumString, public IACList
{
  public:
    explicit CRegistryACList(const std::wstring& prefix);
    ~CRegistryACList();
    CRegistryACList(const CRegistryACList&) = delete;
    CRegistryACList& operator=(const CRegistryACList&) = delete;

    // IUnknown (both interfaces share it)
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IEnumString
    STDMETHODIMP Next(ULONG celt, LPOLESTR* out, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG celt) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumString** out) override;
    // IACList
    STDMETHODIMP Expand(LPCOLESTR text) override;

  private:
    bool Step();

    LONG m_refs = 0;
    std::wstring m_typed;
    std::wstring m_keyPath;
    const std::wstring m_prefix;
    std::unique_ptr<CEzReg> m_enumerator;
};

// Binds registry completion to an edit box; false when the shell offers none.
bool AttachRegistryAutoComplete(IAutoComplete*& holder, HWND edit);
void DetachAutoComplete(IAutoComplete*& holder);
bool IsAutoCompleteListShown(IAutoComplete* holder);
// File-system completion for value editors, as the options ask.
bool AttachFileSystemAutoComplete(HWND edit);

// Registry auto-complete: CRegistryACList offers the sub-keys of the typed
// path (or the five roots, optionally with "HKEY_" in front) to the shell's
// auto-complete object; the attach functions bind completion to edit boxes.
#pragma once

#include "base/ComObject.h"

#include <windows.h>
#include <objbase.h>
#include <shldisp.h>
#include <shlobj.h>

#include <memory>
#include <string>

class CEzReg;

template <> inline const IID& zv::IidOf<IACList>() noexcept
{
    return IID_IACList;
}

// Created with one reference (MakeCom hands it to a com_ptr).
class CRegistryACList final : public zv::ComObject<IEnumString, IACList>
{
  public:
    explicit CRegistryACList(const std::wstring& prefix);

    // IEnumString
    STDMETHODIMP Next(ULONG celt, LPOLESTR* out, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG celt) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumString** out) override;
    // IACList
    STDMETHODIMP Expand(LPCOLESTR text) override;

  private:
    ~CRegistryACList() override;
    bool Step();
    HRESULT NextCandidates(ULONG celt, LPOLESTR* out, ULONG* fetched);

    std::wstring m_typed;
    std::wstring m_keyPath;
    const std::wstring m_prefix;
    std::unique_ptr<CEzReg> m_enumerator;
};

// Binds registry completion to an edit box; false when the shell offers none.
bool AttachRegistryAutoComplete(zv::com_ptr<IAutoComplete>& holder, HWND edit);
// Whether the completion list of holder (bound to edit) is shown. This
// platform's auto-complete does not report its list: the list's window is
// looked for as well.
bool IsAutoCompleteListShown(IAutoComplete* holder, HWND edit);
// Closes a shown completion list of edit.
void CloseAutoCompleteList(IAutoComplete* holder, HWND edit);
// File-system completion for value editors, as the options ask.
bool AttachFileSystemAutoComplete(HWND edit);

// The object that describes a registry key to the system's security editor:
// its name, the rights a key has, how entries are inherited, and the reading
// and writing of its security.
#pragma once

#include "base/ComObject.h"

#include <windows.h>
#include <aclui.h>
#include <string>

// {965FC360-16FF-11D0-91CB-00AA00BBB723}
inline constexpr GUID kSecurityInformationIid = {
    0x965FC360, 0x16FF, 0x11D0, {0x91, 0xCB, 0x00, 0xAA, 0x00, 0xBB, 0xB7, 0x23}};
template <> inline const IID& zv::IidOf<ISecurityInformation>() noexcept
{
    return kSecurityInformationIid;
}

// Created with one reference (MakeCom hands it to a com_ptr).
class SecInfoBase : public zv::ComObject<ISecurityInformation>
{
  public:
    explicit SecInfoBase(const wchar_t* objectPath);

    STDMETHODIMP GetObjectInformation(PSI_OBJECT_INFO info) override;
    STDMETHODIMP PropertySheetPageCallback(HWND, UINT, SI_PAGE_TYPE) override { return S_OK; }

  protected:
    // The object's own copy: the editor may call it after the caller's text is gone.
    std::wstring ObjectPath;
    wchar_t ObjectName[128] = {};
};

class CRegKeySecurityInfo : public SecInfoBase
{
  public:
    explicit CRegKeySecurityInfo(const wchar_t* objectPath) : SecInfoBase(objectPath) {}

    STDMETHODIMP GetSecurity(SECURITY_INFORMATION requested, PSECURITY_DESCRIPTOR* descriptor,
                             BOOL isDefault) override;
    STDMETHODIMP SetSecurity(SECURITY_INFORMATION parts, PSECURITY_DESCRIPTOR descriptor) override;
    STDMETHODIMP GetAccessRights(const GUID* objectType, DWORD flags, PSI_ACCESS* access, ULONG* count,
                                 ULONG* defaultAccess) override;
    STDMETHODIMP MapGeneric(const GUID* objectType, UCHAR* aceFlags, ACCESS_MASK* mask) override;
    STDMETHODIMP GetInheritTypes(PSI_INHERIT_TYPE* types, ULONG* count) override;
};

// The parts a save writes: with the access list, also whether it is
// protected from inheritance (as the descriptor says); without it, only the
// parts given, so the key's list keeps its inheritance.
SECURITY_INFORMATION SecurityPartsToWrite(SECURITY_INFORMATION parts, PSECURITY_DESCRIPTOR descriptor);

// An error code of the named-security functions as a result.
HRESULT SecurityResult(DWORD error);

// Opens the system's security editor for a key given by its security object
// name (MACHINE\..., CURRENT_USER\...).
void ShowPermissions(const std::wstring& objectPath);
// The title of the permissions editor's window for a key.
std::wstring PermissionsCaption(const std::wstring& objectPath);

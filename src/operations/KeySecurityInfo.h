// The object that describes a registry key to the system's security editor:
// its name, the rights a key has, how entries are inherited, and the reading
// and writing of its security.
#pragma once

#include <windows.h>
#include <aclui.h>
#include <string>

class SecInfoBase : public ISecurityInformation
{
  public:
    explicit SecInfoBase(const wchar_t* objectPath);
    virtual ~SecInfoBase() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetObjectInformation(PSI_OBJECT_INFO info) override;
    STDMETHODIMP PropertySheetPageCallback(HWND, UINT, SI_PAGE_TYPE) override { return S_OK; }

  protected:
    LONG m_refs = 0;
    const wchar_t* ObjectPath; // not owned: the caller keeps it alive
    wchar_t ObjectName[128] = {};
};

class CRegKeySecurityInfo : public SecInfoBase
{
  public:
    explicit CRegKeySecurityInfo(const wchar_t* objectPath) : SecInfoBase(objectPath) {}

    STDMETHODIMP GetSecurity(SECURITY_INFORMATION requested, PSECURITY_DESCRIPTOR* descriptor, BOOL isDefault) override;
    STDMETHODIMP SetSecurity(SECURITY_INFORMATION parts, PSECURITY_DESCRIPTOR descriptor) override;
    STDMETHODIMP GetAccessRights(const GUID* objectType, DWORD flags, PSI_ACCESS* access, ULONG* count,
                                 ULONG* defaultAccess) override;
    STDMETHODIMP MapGeneric(const GUID* objectType, UCHAR* aceFlags, ACCESS_MASK* mask) override;
    STDMETHODIMP GetInheritTypes(PSI_INHERIT_TYPE* types, ULONG* count) override;
};

// An error code of the named-security functions as a result.
HRESULT SecurityResult(DWORD error);

// Opens the system's security editor for a key given by its security object
// name (MACHINE\..., CURRENT_USER\...).
void ShowPermissions(const std::wstring& objectPath);

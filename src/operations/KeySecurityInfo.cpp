// Security editor object for registry keys.
#include "operations/KeySecurityInfo.h"

#include "base/Handles.h"
#include "base/UserPrompts.h"

#include <aclapi.h>
#include <cwchar>

#include "resource.h"

namespace
{
SI_ACCESS kAccess[] = {
    {&GUID_NULL, 0xF003F, const_cast<LPWSTR>(L"Full Control"), 0x20002},
    {&GUID_NULL, 0x20019, const_cast<LPWSTR>(L"Read"), 0x20002},
    {&GUID_NULL, 0xF003F, const_cast<LPWSTR>(L"Full Control"), 0x10000},
    {&GUID_NULL, 0x1, const_cast<LPWSTR>(L"Query value"), 0x10000},
    {&GUID_NULL, 0x2, const_cast<LPWSTR>(L"Set value"), 0x10000},
    {&GUID_NULL, 0x4, const_cast<LPWSTR>(L"Create subkey"), 0x10000},
    {&GUID_NULL, 0x8, const_cast<LPWSTR>(L"Enumerate subkeys"), 0x10000},
    {&GUID_NULL, 0x10, const_cast<LPWSTR>(L"Notify"), 0x10000},
    {&GUID_NULL, 0x20, const_cast<LPWSTR>(L"Create Link"), 0x10000},
    {&GUID_NULL, 0x10000, const_cast<LPWSTR>(L"Delete"), 0x10000},
    {&GUID_NULL, 0x40000, const_cast<LPWSTR>(L"Write DAC"), 0x10000},
    {&GUID_NULL, 0x80000, const_cast<LPWSTR>(L"Write Owner"), 0x10000},
    {&GUID_NULL, 0x20000, const_cast<LPWSTR>(L"Read Control"), 0x10002},
};

SI_INHERIT_TYPE kInherit[] = {
    {&GUID_NULL, 0, const_cast<LPWSTR>(L"This key only")},
    {&GUID_NULL, 0x2, const_cast<LPWSTR>(L"This key and subkeys")},
    {&GUID_NULL, 0xA, const_cast<LPWSTR>(L"Subkeys only")},
};

GENERIC_MAPPING kMapping = {0x20019, 0x20006, 0x20019, 0xF003F};
} // namespace

HRESULT SecurityResult(DWORD error)
{
    if (error == 0)
        return S_OK;
    return static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}

SecInfoBase::SecInfoBase(const wchar_t* objectPath) : ObjectPath(objectPath ? objectPath : L"")
{
    const wchar_t* slash = objectPath ? wcsrchr(objectPath, L'\\') : nullptr;
    const wchar_t* name = slash ? slash + 1 : (objectPath ? objectPath : L"");
    wcsncpy(ObjectName, name, 127);
    ObjectName[127] = L'\0';
}

STDMETHODIMP SecInfoBase::GetObjectInformation(PSI_OBJECT_INFO info)
{
    if (!info)
        return E_POINTER;
    info->dwFlags = SI_EDIT_OWNER | SI_EDIT_AUDITS | SI_CONTAINER | SI_ADVANCED;
    info->hInstance = nullptr;
    info->pszServerName = const_cast<LPWSTR>(L"");
    info->pszObjectName = ObjectName;
    return S_OK;
}

STDMETHODIMP CRegKeySecurityInfo::GetSecurity(SECURITY_INFORMATION requested,
                                              PSECURITY_DESCRIPTOR* descriptor, BOOL)
{
    if (!descriptor)
        return E_POINTER;
    DWORD error = GetNamedSecurityInfoW(ObjectPath.c_str(), SE_REGISTRY_KEY, requested, nullptr, nullptr,
                                        nullptr, nullptr, descriptor);
    return SecurityResult(error);
}

STDMETHODIMP CRegKeySecurityInfo::SetSecurity(SECURITY_INFORMATION parts, PSECURITY_DESCRIPTOR descriptor)
{
    if (!descriptor)
        return E_POINTER;
    PSID owner = nullptr, group = nullptr;
    PACL dacl = nullptr, sacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (parts & OWNER_SECURITY_INFORMATION)
        GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    if (parts & GROUP_SECURITY_INFORMATION)
        GetSecurityDescriptorGroup(descriptor, &group, &defaulted);
    if (parts & DACL_SECURITY_INFORMATION)
    {
        // No list at all would mean "everyone may do everything": never
        // written in place of the key's list.
        if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl)
            return E_INVALIDARG;
    }
    if (parts & SACL_SECURITY_INFORMATION)
        GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted);
    DWORD error = SetNamedSecurityInfoW(ObjectPath.data(), SE_REGISTRY_KEY,
                                        SecurityPartsToWrite(parts, descriptor), owner, group, dacl, sacl);
    return SecurityResult(error);
}

SECURITY_INFORMATION SecurityPartsToWrite(SECURITY_INFORMATION parts, PSECURITY_DESCRIPTOR descriptor)
{
    // Whether the list inherits from the parent goes with the list only: an
    // owner or audit save leaves a protected list protected.
    if (!(parts & DACL_SECURITY_INFORMATION) || !descriptor)
        return parts;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (GetSecurityDescriptorControl(descriptor, &control, &revision))
        parts |= (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                               : UNPROTECTED_DACL_SECURITY_INFORMATION;
    return parts;
}

STDMETHODIMP CRegKeySecurityInfo::GetAccessRights(const GUID*, DWORD, PSI_ACCESS* access, ULONG* count,
                                                  ULONG* defaultAccess)
{
    if (!access || !count || !defaultAccess)
        return E_POINTER;
    *access = kAccess;
    *count = sizeof(kAccess) / sizeof(kAccess[0]);
    *defaultAccess = 1;
    return S_OK;
}

STDMETHODIMP CRegKeySecurityInfo::MapGeneric(const GUID*, UCHAR*, ACCESS_MASK* mask)
{
    if (!mask)
        return E_POINTER;
    MapGenericMask(mask, &kMapping);
    return S_OK;
}

STDMETHODIMP CRegKeySecurityInfo::GetInheritTypes(PSI_INHERIT_TYPE* types, ULONG* count)
{
    if (!types || !count)
        return E_POINTER;
    *types = kInherit;
    *count = sizeof(kInherit) / sizeof(kInherit[0]);
    return S_OK;
}

std::wstring PermissionsCaption(const std::wstring& objectPath)
{
    return L"Permissions for " + objectPath;
}

void ShowPermissions(const std::wstring& objectPath)
{
    using EditSecurityFn = BOOL(WINAPI*)(HWND, LPSECURITYINFO);
    using CreateSecurityPageFn = HPROPSHEETPAGE(WINAPI*)(LPSECURITYINFO);
    zv::unique_hmodule library(LoadLibraryW(L"AclUI.dll"));
    auto find = [&](const char* name) {
        return library ? reinterpret_cast<void*>(GetProcAddress(library.get(), name)) : nullptr;
    };
    auto createPage = reinterpret_cast<CreateSecurityPageFn>(find("CreateSecurityPage"));
    auto editSecurity = reinterpret_cast<EditSecurityFn>(find("EditSecurity"));
    if (!createPage && !editSecurity)
    {
        AfxMessageBox(IDS_NO_SECURITY_EDITOR, MB_OK);
        return;
    }
    zv::com_ptr<CRegKeySecurityInfo> info = zv::MakeCom<CRegKeySecurityInfo>(objectPath.c_str());
    // The editor's page in a sheet of ours, so that its title names the key
    // (this platform's editor titles its own sheet with an unfilled "%s").
    HPROPSHEETPAGE page = createPage ? createPage(info.get()) : nullptr;
    if (!page)
    {
        editSecurity(PromptOwner(), info.get());
        return;
    }
    std::wstring caption = PermissionsCaption(objectPath);
    PROPSHEETHEADERW sheet = {};
    sheet.dwSize = sizeof(sheet);
    sheet.dwFlags = PSH_DEFAULT;
    sheet.hwndParent = PromptOwner();
    sheet.pszCaption = caption.c_str();
    sheet.nPages = 1;
    sheet.phpage = &page;
    PropertySheetW(&sheet);
}

// Take ownership: the recursive owner walk and its worker thread.
#include "operations/Ownership.h"

#include "base/Handles.h"
#include "base/Strings.h"
#include "base/UserPrompts.h"
#include "operations/ReportError.h"
#include "registry/EzReg.h"

#include <vector>

std::wstring SecurityObjectName(std::wstring_view path)
{
    // The named-security functions know their root names in one spelling
    // only, and no CURRENT_CONFIG: that root is given by its real place.
    static const struct
    {
        const wchar_t* root;
        const wchar_t* object;
    } kObjects[] = {{L"CLASSES_ROOT", L"CLASSES_ROOT"},
                    {L"CURRENT_USER", L"CURRENT_USER"},
                    {L"LOCAL_MACHINE", L"MACHINE"},
                    {L"USERS", L"USERS"},
                    {L"CURRENT_CONFIG", L"MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current"}};
    size_t slash = path.find(L'\\');
    std::wstring_view root = path.substr(0, slash);
    std::wstring_view rest = slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash);
    for (const auto& entry : kObjects)
        if (zv::EqualsNoCase(root, entry.root))
            return entry.object + std::wstring(rest);
    return std::wstring(path);
}

const wchar_t kTakeOwnershipFailed[] = L"Take ownership failed. You need to be a member of Administrators "
                                       L"group and run Zorvane as Administrator";

bool SetOwnerTree(const std::wstring& path, bool recursive, PACL acl, PSID owner, const zv::StopToken& stop)
{
    if (stop.StopRequested())
    {
        SetLastError(ERROR_CANCELLED);
        return false;
    }
    std::wstring object = SecurityObjectName(path);
    DWORD error = SetNamedSecurityInfoW(object.data(), SE_REGISTRY_KEY, OWNER_SECURITY_INFORMATION, owner,
                                        nullptr, nullptr, nullptr);
    if (error != ERROR_SUCCESS)
    {
        SetLastError(error);
        return false;
    }
    ShowStatusText(path);
    if (acl)
    {
        error = SetNamedSecurityInfoW(object.data(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                      nullptr, acl, nullptr);
        if (error != ERROR_SUCCESS)
        {
            SetLastError(error);
            return false;
        }
    }
    if (!recursive)
        return true;
    // The owner (and access list) were set first, so a key unreadable before
    // can now be walked.
    CEzReg reader(path);
    if (!reader.Open(KEY_ENUMERATE_SUB_KEYS) || !reader.Key)
        return true;
    reader.SubKeyIndex = 0;
    while (reader.CRegReader::NextSubKey())
        if (!SetOwnerTree(zv::Format(L"%s\\%s", path.c_str(), reader.SubKeyName), true, acl, owner, stop))
            return false;
    return true;
}

bool TakeOwnership(std::wstring_view path, bool recursive, bool grant, const zv::StopToken& stop)
{
    std::wstring text(path);
    bool enabled = EnablePrivilege(L"SeTakeOwnershipPrivilege", true);
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    zv::unique_sid administrators, everyone;
    PACL acl = nullptr;
    bool result = false;
    DWORD error = ERROR_SUCCESS;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                  0, 0, 0, 0, administrators.put()))
    {
        error = GetLastError();
    }
    else if (grant)
    {
        if (!AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      everyone.put()))
        {
            error = GetLastError();
        }
        else
        {
            EXPLICIT_ACCESSW entries[2] = {};
            entries[0].grfAccessPermissions = GENERIC_READ;
            entries[0].grfAccessMode = SET_ACCESS;
            entries[0].grfInheritance = CONTAINER_INHERIT_ACE;
            entries[0].Trustee.TrusteeForm = TRUSTEE_IS_SID;
            entries[0].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
            entries[0].Trustee.ptstrName = static_cast<LPWSTR>(everyone.get());
            entries[1].grfAccessPermissions = GENERIC_ALL;
            entries[1].grfAccessMode = SET_ACCESS;
            entries[1].grfInheritance = CONTAINER_INHERIT_ACE;
            entries[1].Trustee.TrusteeForm = TRUSTEE_IS_SID;
            entries[1].Trustee.TrusteeType = TRUSTEE_IS_GROUP;
            entries[1].Trustee.ptstrName = static_cast<LPWSTR>(administrators.get());
            error = SetEntriesInAclW(2, entries, nullptr, &acl);
            if (error == ERROR_SUCCESS)
            {
                result = SetOwnerTree(text, recursive, acl, administrators.get(), stop);
                if (!result)
                    error = GetLastError();
            }
        }
    }
    else
    {
        result = SetOwnerTree(text, recursive, nullptr, administrators.get(), stop);
        if (!result)
            error = GetLastError();
    }
    ShowStatusText(zv::Format(L"Take Ownership %s for: %s", result ? L"complete" : L"failed", text.c_str()));
    if (enabled)
        EnablePrivilege(L"SeTakeOwnershipPrivilege", false);
    if (acl)
        LocalFree(acl);
    SetLastError(result ? ERROR_SUCCESS : error);
    return result;
}

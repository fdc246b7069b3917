// Carrying owner and own access entries from a key to its copy.
#include "operations/KeySecurityCarry.h"

#include <vector>

SetKeySecurityFunction g_carrySetKeySecurity = ::RegSetKeySecurity;

namespace
{
LONG ReadSecurity(HKEY key, std::vector<BYTE>& descriptor)
{
    const SECURITY_INFORMATION what = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    LONG result = RegGetKeySecurity(key, what, nullptr, &size);
    if (result != ERROR_INSUFFICIENT_BUFFER)
        return result == ERROR_SUCCESS ? ERROR_INVALID_DATA : result;
    descriptor.resize(size);
    return RegGetKeySecurity(key, what, descriptor.data(), &size);
}

// The entries of acl, those inherited or those not.
std::vector<ACE_HEADER*> Entries(PACL acl, bool inherited)
{
    std::vector<ACE_HEADER*> entries;
    if (!acl)
        return entries;
    for (DWORD i = 0; i < acl->AceCount; ++i)
    {
        void* ace = nullptr;
        if (GetAce(acl, i, &ace) &&
            ((static_cast<ACE_HEADER*>(ace)->AceFlags & INHERITED_ACE) != 0) == inherited)
            entries.push_back(static_cast<ACE_HEADER*>(ace));
    }
    return entries;
}
} // namespace

LONG CarryKeySecurity(HKEY source, HKEY target)
{
    std::vector<BYTE> from, to;
    if (LONG result = ReadSecurity(source, from); result != ERROR_SUCCESS)
        return result;
    if (LONG result = ReadSecurity(target, to); result != ERROR_SUCCESS)
        return result;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(from.data(), &control, &revision);
    bool isProtected = (control & SE_DACL_PROTECTED) != 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL fromAcl = nullptr, toAcl = nullptr;
    GetSecurityDescriptorDacl(from.data(), &present, &fromAcl, &defaulted);
    bool nullAcl = present && !fromAcl; // everyone may do everything
    BOOL toPresent = FALSE;
    GetSecurityDescriptorDacl(to.data(), &toPresent, &toAcl, &defaulted);
    PSID fromOwner = nullptr, toOwner = nullptr;
    GetSecurityDescriptorOwner(from.data(), &fromOwner, &defaulted);
    GetSecurityDescriptorOwner(to.data(), &toOwner, &defaulted);
    bool ownerDiffers = fromOwner && toOwner && !EqualSid(fromOwner, toOwner);

    std::vector<ACE_HEADER*> own = Entries(fromAcl, false);
    bool carryAcl = isProtected || nullAcl || !own.empty();
    if (!carryAcl && !ownerDiffers)
        return ERROR_SUCCESS;

    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SECURITY_INFORMATION what = 0;
    std::vector<BYTE> aclBytes;
    if (carryAcl)
    {
        what |= DACL_SECURITY_INFORMATION;
        if (nullAcl)
        {
            SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
        }
        else
        {
            // Own entries first, then (unless protected) what the new place gives.
            std::vector<ACE_HEADER*> entries = own;
            if (!isProtected)
                for (ACE_HEADER* ace : Entries(toAcl, true))
                    entries.push_back(ace);
            DWORD size = sizeof(ACL);
            for (ACE_HEADER* ace : entries)
                size += ace->AceSize;
            aclBytes.resize(size);
            auto* acl = reinterpret_cast<PACL>(aclBytes.data());
            BYTE aclRevision =
                fromAcl && fromAcl->AclRevision > ACL_REVISION ? fromAcl->AclRevision : ACL_REVISION;
            if (!InitializeAcl(acl, size, aclRevision))
                return static_cast<LONG>(GetLastError());
            for (ACE_HEADER* ace : entries)
                if (!AddAce(acl, aclRevision, MAXDWORD, ace, ace->AceSize))
                    return static_cast<LONG>(GetLastError());
            SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
        }
        if (isProtected)
            SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    }
    if (ownerDiffers)
    {
        what |= OWNER_SECURITY_INFORMATION;
        SetSecurityDescriptorOwner(&descriptor, fromOwner, FALSE);
    }
    return g_carrySetKeySecurity(target, what, &descriptor);
}

// Renames and moves carry each key's owner and own access entries to the
// copy; when they cannot, the user decides before the original goes.
#include "operations/KeySecurityCarry.h"
#include "operations/KeyTransfer.h"
#include "registry/EzReg.h"
#include "base/Strings.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>

namespace
{
struct Security
{
    std::vector<std::pair<BYTE, ACCESS_MASK>> own; // type and mask of each entry not inherited
    bool isProtected = false;
    std::wstring owner;
};

Security SecurityOf(const RegistrySandbox& box, const std::wstring& sub)
{
    Security result;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + sub).c_str(), 0, READ_CONTROL, &key) !=
        ERROR_SUCCESS)
        return result;
    DWORD size = 0;
    RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> sd(size);
    RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, sd.data(), &size);
    RegCloseKey(key);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(sd.data(), &control, &revision);
    result.isProtected = (control & SE_DACL_PROTECTED) != 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    GetSecurityDescriptorDacl(sd.data(), &present, &acl, &defaulted);
    for (DWORD i = 0; acl && i < acl->AceCount; ++i)
    {
        void* ace = nullptr;
        GetAce(acl, i, &ace);
        auto* header = static_cast<ACE_HEADER*>(ace);
        if (!(header->AceFlags & INHERITED_ACE))
            result.own.emplace_back(header->AceType, reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->Mask);
    }
    PSID owner = nullptr;
    GetSecurityDescriptorOwner(sd.data(), &owner, &defaulted);
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (owner)
        LookupAccountSidW(nullptr, owner, name, &nameSize, domain, &domainSize, &use);
    result.owner = name;
    return result;
}

// Gives sub an entry of its own that denies everyone the setting of values,
// protected or not, and (when asked) SYSTEM as its owner.
void LockDown(const RegistrySandbox& box, const std::wstring& sub, bool protect, bool systemOwner)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + sub).c_str(), 0,
                            READ_CONTROL | WRITE_DAC | WRITE_OWNER, &key),
              0);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    BYTE buffer[512];
    auto* acl = reinterpret_cast<PACL>(buffer);
    InitializeAcl(acl, sizeof buffer, ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, KEY_SET_VALUE, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS & ~KEY_SET_VALUE, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    if (protect)
        SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    PSID system = nullptr;
    if (systemOwner)
    {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        AllocateAndInitializeSid(&nt, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system);
        SetSecurityDescriptorOwner(&sd, system, FALSE);
        what |= OWNER_SECURITY_INFORMATION;
    }
    EXPECT_EQ(RegSetKeySecurity(key, what, &sd), 0);
    if (system)
        FreeSid(system);
    FreeSid(everyone);
    RegCloseKey(key);
}

LONG WINAPI RefuseSecurity(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR)
{
    return ERROR_ACCESS_DENIED;
}
} // namespace

TEST(SecurityCarry, ARenameKeepsOwnersAndOwnEntriesOfEveryKey)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Locked");
    box.CreateKey(L"Locked\\Inner");
    LockDown(box, L"Locked", false, false);
    LockDown(box, L"Locked\\Inner", true, true);
    Security top = SecurityOf(box, L"Locked");
    Security inner = SecurityOf(box, L"Locked\\Inner");
    ASSERT_FALSE(top.own.empty());
    ASSERT_TRUE(inner.isProtected);
    TreeSnapshot original = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Locked");
    ScriptedPrompts user;

    CEzReg parent(box.Path());
    ASSERT_TRUE(parent.RenameSubkey(L"Locked", L"Renamed"));
    EXPECT_TRUE(user.Boxes().empty());
    EXPECT_FALSE(box.Exists(L"Locked"));
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Renamed"), original);
    Security renamedTop = SecurityOf(box, L"Renamed");
    Security renamedInner = SecurityOf(box, L"Renamed\\Inner");
    EXPECT_EQ(renamedTop.own, top.own);
    EXPECT_EQ(renamedInner.own, inner.own);
    EXPECT_TRUE(renamedInner.isProtected);
    EXPECT_EQ(renamedInner.owner, L"SYSTEM");
    EXPECT_EQ(renamedTop.owner, top.owner);
}

TEST(SecurityCarry, AMoveCarriesAndACopyTakesItsNewPlacesPermissions)
{
    RegistrySandbox box;
    box.SetDword(L"From\\Locked", L"v", 1);
    box.CreateKey(L"To");
    box.CreateKey(L"CopyTo");
    LockDown(box, L"From\\Locked", true, false);
    Security locked = SecurityOf(box, L"From\\Locked");
    Security plain = SecurityOf(box, L"CopyTo");
    ScriptedPrompts user;

    CEzReg copyTarget(box.PathOf(L"CopyTo"));
    ASSERT_TRUE(copyTarget.PasteKey(box.PathOf(L"From\\Locked"), false));
    EXPECT_FALSE(SecurityOf(box, L"CopyTo\\Locked").isProtected) << "a copy is no move";

    CEzReg moveTarget(box.PathOf(L"To"));
    ASSERT_TRUE(moveTarget.PasteKey(box.PathOf(L"From\\Locked"), true));
    EXPECT_FALSE(box.Exists(L"From\\Locked"));
    Security moved = SecurityOf(box, L"To\\Locked");
    EXPECT_TRUE(moved.isProtected);
    EXPECT_EQ(moved.own, locked.own);
    (void)plain;
}

TEST(SecurityCarry, PermissionsThatCannotBeCarriedAreSaidBeforeTheOriginalGoes)
{
    RegistrySandbox box;
    box.SetDword(L"Locked\\Below", L"v", 7);
    LockDown(box, L"Locked\\Below", false, false);
    ScriptedPrompts user;
    SetKeySecurityFunction saved = g_carrySetKeySecurity;
    g_carrySetKeySecurity = RefuseSecurity;

    // No: the original stays whole and the copy goes.
    user.Answer(IDNO);
    CEzReg parent(box.Path());
    EXPECT_FALSE(parent.RenameSubkey(L"Locked", L"Renamed"));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_NE(user.Boxes()[0].text.find(L"could not be carried"), std::wstring::npos);
    EXPECT_NE(user.Boxes()[0].text.find(box.PathOf(L"Locked\\Below")), std::wstring::npos)
        << zv::ToUtf8(user.Boxes()[0].text);
    EXPECT_TRUE(box.Exists(L"Locked\\Below"));
    EXPECT_FALSE(box.Exists(L"Renamed"));

    // Yes: the rename goes ahead.
    user.Clear();
    user.Answer(IDYES);
    EXPECT_TRUE(parent.RenameSubkey(L"Locked", L"Renamed"));
    EXPECT_FALSE(box.Exists(L"Locked"));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(box.ReadValue(L"Renamed\\Below", L"v", type, data));
    g_carrySetKeySecurity = saved;
}

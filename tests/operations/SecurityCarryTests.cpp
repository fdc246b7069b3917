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
    KeySecurity top = SecurityOf(box, L"Locked");
    KeySecurity inner = SecurityOf(box, L"Locked\\Inner");
    ASSERT_FALSE(top.own.empty());
    ASSERT_TRUE(inner.isProtected);
    TreeSnapshot original = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Locked");
    ScriptedPrompts user;

    CEzReg parent(box.Path());
    ASSERT_TRUE(RenameSubkey(parent, L"Locked", L"Renamed"));
    EXPECT_TRUE(user.Boxes().empty());
    EXPECT_FALSE(box.Exists(L"Locked"));
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Renamed"), original);
    KeySecurity renamedTop = SecurityOf(box, L"Renamed");
    KeySecurity renamedInner = SecurityOf(box, L"Renamed\\Inner");
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
    KeySecurity locked = SecurityOf(box, L"From\\Locked");
    KeySecurity plain = SecurityOf(box, L"CopyTo");
    ScriptedPrompts user;

    CEzReg copyTarget(box.PathOf(L"CopyTo"));
    ASSERT_TRUE(PasteKey(copyTarget, box.PathOf(L"From\\Locked"), false));
    EXPECT_FALSE(SecurityOf(box, L"CopyTo\\Locked").isProtected) << "a copy is no move";

    CEzReg moveTarget(box.PathOf(L"To"));
    ASSERT_TRUE(PasteKey(moveTarget, box.PathOf(L"From\\Locked"), true));
    EXPECT_FALSE(box.Exists(L"From\\Locked"));
    KeySecurity moved = SecurityOf(box, L"To\\Locked");
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
    EXPECT_FALSE(RenameSubkey(parent, L"Locked", L"Renamed"));
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_NE(user.Boxes()[0].text.find(L"could not be carried"), std::wstring::npos);
    EXPECT_NE(user.Boxes()[0].text.find(box.PathOf(L"Locked\\Below")), std::wstring::npos)
        << zv::ToUtf8(user.Boxes()[0].text);
    EXPECT_TRUE(box.Exists(L"Locked\\Below"));
    EXPECT_FALSE(box.Exists(L"Renamed"));

    // Yes: the rename goes ahead.
    user.Clear();
    user.Answer(IDYES);
    EXPECT_TRUE(RenameSubkey(parent, L"Locked", L"Renamed"));
    EXPECT_FALSE(box.Exists(L"Locked"));
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_TRUE(box.ReadValue(L"Renamed\\Below", L"v", type, data));
    g_carrySetKeySecurity = saved;
}

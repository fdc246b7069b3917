// Renaming keys and values, and deleting key trees.
#include "base/Strings.h"
#include "operations/KeyTransfer.h"
#include "registry/EzReg.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include <gtest/gtest.h>
#include <algorithm>

TEST(Rename, KeyRenamedByCaseOnlyGoesThroughATemporarySibling)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Abc");
    box.CreateKey(L"x"); // so the temporary name becomes xx
    TreeSnapshot original = SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\Abc");
    CEzReg parent(box.Path());
    ASSERT_TRUE(RenameSubkey(parent, L"Abc", L"ABC"));
    std::vector<std::wstring> keys = box.SubKeys(L"");
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"ABC", L"x"}));
    EXPECT_EQ(SnapshotTree(HKEY_CURRENT_USER, box.SubKey() + L"\\ABC"), original);
}

TEST(Rename, KeyRenameToAnExistingSiblingFailsSilentlyAndChangesNothing)
{
    RegistrySandbox box;
    box.SetDword(L"One", L"a", 1);
    box.SetDword(L"Two", L"b", 2);
    ScriptedPrompts user;
    CEzReg parent(box.Path());
    EXPECT_FALSE(RenameSubkey(parent, L"One", L"two"));
    EXPECT_TRUE(user.Boxes().empty());
    EXPECT_EQ(box.ValueNames(L"One"), (std::vector<std::wstring>{L"a"}));
    EXPECT_EQ(box.ValueNames(L"Two"), (std::vector<std::wstring>{L"b"}));
    EXPECT_TRUE(RenameSubkey(parent, L"One", L"One"));
    ASSERT_TRUE(RenameSubkey(parent, L"One", L"Three"));
    EXPECT_FALSE(box.Exists(L"One"));
    EXPECT_EQ(box.ValueNames(L"Three"), (std::vector<std::wstring>{L"a"}));
}

TEST(Rename, KeyNamesThatAreNoSingleKeyNameAreRefused)
{
    RegistrySandbox box;
    box.SetDword(L"One", L"a", 1);
    ScriptedPrompts user;
    CEzReg parent(box.Path());
    for (const std::wstring& name : {std::wstring(), std::wstring(L"Sub\\Key"), std::wstring(256, L'n')})
    {
        EXPECT_FALSE(RenameSubkey(parent, L"One", name)) << name.size();
        EXPECT_EQ(parent.LastError, ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(box.SubKeys(L""), (std::vector<std::wstring>{L"One"}));
    EXPECT_EQ(box.ValueNames(L"One"), (std::vector<std::wstring>{L"a"}));
    ASSERT_TRUE(RenameSubkey(parent, L"One", std::wstring(255, L'n'))) << "255 characters are a name";
}

TEST(Rename, ValueRenames)
{
    RegistrySandbox box;
    box.SetValue(L"", L"old", REG_BINARY, Bytes({7, 8}));
    box.SetDword(L"", L"taken", 1);
    ScriptedPrompts user;
    CEzReg key(box.Path());
    // A taken name: refused, and said once by the caller (no box here).
    EXPECT_FALSE(RenameValue(key, L"old", L"Taken"));
    EXPECT_EQ(key.LastError, ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(user.Boxes().empty());

    ASSERT_TRUE(RenameValue(key, L"old", L"new"));
    ASSERT_TRUE(RenameValue(key, L"new", L"NEW"));
    std::vector<std::wstring> names = box.ValueNames(L"");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"NEW", L"taken"}));
    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"", L"NEW", type, data));
    EXPECT_EQ(data, Bytes({7, 8}));
    EXPECT_FALSE(RenameValue(key, L"missing", L"other"));
}

namespace
{
LONG WINAPI AlwaysFailingSetValue(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD)
{
    return ERROR_ACCESS_DENIED;
}
} // namespace

TEST(Rename, CaseOnlyValueRenameWhoseWriteFailsKeepsTheValueUnderItsOldName)
{
    RegistrySandbox box;
    box.SetValue(L"", L"Value", REG_MULTI_SZ, StringBytes(std::wstring(L"a\0b\0", 4)));
    CEzReg key(box.Path());
    g_transferSetValue = AlwaysFailingSetValue;
    bool renamed = RenameValue(key, L"Value", L"VALUE");
    g_transferSetValue = ::RegSetValueExW;
    EXPECT_FALSE(renamed);
    EXPECT_EQ(box.ValueNames(L""), (std::vector<std::wstring>{L"Value"}));
    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(box.ReadValue(L"", L"Value", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(data, StringBytes(std::wstring(L"a\0b\0", 4)));
}

TEST(Delete, ProtectedKeysAreRefusedWithTheirPath)
{
    ScriptedPrompts user;
    const wchar_t* refused[] = {L"",
                                L"CURRENT_USER",
                                L"LOCAL_MACHINE\\SOFTWARE",
                                L"LOCAL_MACHINE\\",
                                L"local_machine\\software",
                                L"LOCAL_MACHINE\\SOFTWARE\\"};
    for (const wchar_t* path : refused)
    {
        user.Answer(IDOK);
        EXPECT_FALSE(DeleteRegistryKey(path)) << path;
    }
    std::vector<RecordedBox> boxes = user.Boxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[2].text, L"LOCAL_MACHINE\\SOFTWARE should not be deleted.");
    EXPECT_EQ(boxes[2].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_TRUE(KeyExistsRaw(HKEY_LOCAL_MACHINE, L"SOFTWARE"));
    EXPECT_FALSE(IsProtectedKey(L"LOCAL_MACHINE\\SOFTWARE\\X"));
    EXPECT_FALSE(IsProtectedKey(L"USERS\\X"));
}

TEST(Delete, WholeTreeGoesAndSiblingsStay)
{
    RegistrySandbox box;
    BuildEveryTypeTree(box, L"Doomed");
    box.CreateKey(L"Sibling");
    ScriptedPrompts user;
    EXPECT_TRUE(DeleteRegistryKey(box.PathOf(L"Doomed")));
    EXPECT_EQ(box.SubKeys(L""), (std::vector<std::wstring>{L"Sibling"}));
    user.Answer(IDOK);
    EXPECT_FALSE(DeleteRegistryKey(box.PathOf(L"NotThere")));
    ASSERT_EQ(user.Boxes().size(), 1u);
    // A key that is not there: the advice to run as Administrator would not help.
    EXPECT_EQ(user.Boxes()[0].text.rfind(L"Delete failed.\n", 0), 0u) << zv::ToUtf8(user.Boxes()[0].text);
}

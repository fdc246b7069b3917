// Taking ownership of key trees, and the delete retry that relies on it.
#include "operations/KeyTransfer.h"
#include "operations/Ownership.h"
#include "registry/EzReg.h"
#include "support/ScriptedPrompts.h"
#include "support/TreeFixtures.h"

#include "base/Strings.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

namespace
{
std::wstring OwnerOf(const std::wstring& path)
{
    std::wstring object = SecurityObjectName(path);
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(object.data(), SE_REGISTRY_KEY, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                              nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return L"<unreadable>";
    wchar_t* text = nullptr;
    ConvertSidToStringSidW(owner, &text);
    std::wstring sid = text ? text : L"";
    LocalFree(text);
    LocalFree(descriptor);
    return sid;
}

// Gives the key another owner and denies everyone the rights to delete it
// and to walk below it.
void Lock(const RegistrySandbox& box, const std::wstring& sub)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (box.SubKey() + L"\\" + sub).c_str(), 0,
                            WRITE_DAC | WRITE_OWNER, &key),
              0);
    PSECURITY_DESCRIPTOR sd = nullptr;
    // Owner SYSTEM; Everyone denied delete and enumeration.
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"O:SYD:(D;;0x10008;;;WD)(A;;0xF0037;;;WD)", SDDL_REVISION_1, &sd, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, sd), 0);
    LocalFree(sd);
    RegCloseKey(key);
}
} // namespace

TEST(Ownership, ObjectNamesUseTheCanonicalRootInAnyCaseAndReachTheKey)
{
    EXPECT_EQ(SecurityObjectName(L"LOCAL_MACHINE\\SOFTWARE\\X"), L"MACHINE\\SOFTWARE\\X");
    EXPECT_EQ(SecurityObjectName(L"local_machine\\x"), L"MACHINE\\x");
    EXPECT_EQ(SecurityObjectName(L"current_user"), L"CURRENT_USER");
    EXPECT_EQ(SecurityObjectName(L"Current_Config\\Software"),
              L"MACHINE\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\Software");
    EXPECT_EQ(SecurityObjectName(L"USERS_OF_THIS\\X"), L"USERS_OF_THIS\\X")
        << "a neighbouring name is no root";

    // The names the security functions are given open the keys meant.
    RegistrySandbox box;
    box.CreateKey(L"Lower");
    std::wstring lower = L"current_user\\" + box.SubKey() + L"\\Lower";
    for (const std::wstring& path :
         {lower, std::wstring(L"current_config"), std::wstring(L"local_machine\\software")})
    {
        PSECURITY_DESCRIPTOR sd = nullptr;
        EXPECT_EQ(GetNamedSecurityInfoW(SecurityObjectName(path).c_str(), SE_REGISTRY_KEY,
                                        OWNER_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &sd),
                  0u)
            << zv::ToUtf8(path);
        LocalFree(sd);
    }
}

TEST(Ownership, TakeOwnershipWalksThreeLevelsParentsFirst)
{
    RegistrySandbox box;
    box.CreateKey(L"T\\A\\A1\\A2");
    box.CreateKey(L"T\\B");
    std::wstring root = box.PathOf(L"T");
    ScriptedPrompts user;
    ASSERT_TRUE(TakeOwnership(root, true, false));
    std::vector<std::wstring> expected = {root,
                                          root + L"\\A",
                                          root + L"\\A\\A1",
                                          root + L"\\A\\A1\\A2",
                                          root + L"\\B",
                                          L"Take Ownership complete for: " + root};
    EXPECT_EQ(user.StatusTexts(), expected);
    for (const wchar_t* sub : {L"T", L"T\\A", L"T\\A\\A1", L"T\\A\\A1\\A2", L"T\\B"})
        EXPECT_EQ(OwnerOf(box.PathOf(sub)), L"S-1-5-32-544") << zv::ToUtf8(sub);
}

TEST(Ownership, FailureReportsFailedWithThePath)
{
    ScriptedPrompts user;
    EXPECT_FALSE(TakeOwnership(L"CURRENT_USER\\Software\\ZorvaneNoSuchKeyAnywhere", true, false));
    EXPECT_EQ(user.StatusTexts().back(),
              L"Take Ownership failed for: CURRENT_USER\\Software\\ZorvaneNoSuchKeyAnywhere");
}

TEST(Ownership, DeleteOfALockedKeyRetriesAfterTakingOwnership)
{
    RegistrySandbox box;
    box.SetDword(L"Locked\\Inner", L"v", 1);
    Lock(box, L"Locked");
    {
        CEzReg probe(box.PathOf(L"Locked"));
        ASSERT_FALSE(DeleteTree(probe)); // the lock holds
    }
    ScriptedPrompts user;
    EXPECT_TRUE(DeleteRegistryKey(box.PathOf(L"Locked")));
    EXPECT_FALSE(box.Exists(L"Locked"));
    EXPECT_TRUE(user.Boxes().empty());
}

// The walk polls its stop token: a take ownership started for a closing
// window ends without touching a key.
TEST(Ownership, StoppedWalkChangesNothingAndSaysItWasCancelled)
{
    RegistrySandbox box;
    box.CreateKey(L"Tree\\Below");
    bool result = true;
    DWORD error = 0;
    zv::WorkerThread thread = zv::StartWorkerThread([&](const zv::StopToken& stop) -> unsigned {
        WaitForSingleObject(stop.StopEvent(), INFINITE);
        result = TakeOwnership(box.PathOf(L"Tree"), true, true, stop);
        error = GetLastError();
        return 0;
    });
    ASSERT_TRUE(thread);
    thread.Stop();
    EXPECT_FALSE(result);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_CANCELLED));
}

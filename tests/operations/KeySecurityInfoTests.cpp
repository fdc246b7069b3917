// The security editor's object against keys of the test prefix: what it
// reads, what a save of each part changes and leaves, the saves it refuses,
// and the path it keeps for itself.
#include "base/Strings.h"
#include "operations/KeySecurityInfo.h"
#include "operations/Ownership.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

namespace
{
// The key's security in the platform's text form (the parts asked for).
std::wstring KeySddl(const std::wstring& object, SECURITY_INFORMATION parts)
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoW(object.c_str(), SE_REGISTRY_KEY, parts, nullptr, nullptr, nullptr, nullptr,
                              &sd))
        return L"(unreadable)";
    wchar_t* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, parts, &text, nullptr);
    std::wstring result = text ? text : L"";
    LocalFree(text);
    LocalFree(sd);
    return result;
}

struct Descriptor
{
    PSECURITY_DESCRIPTOR sd = nullptr;
    explicit Descriptor(const wchar_t* sddl)
    {
        EXPECT_TRUE(
            ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
    }
    ~Descriptor() { LocalFree(sd); }
};
} // namespace

TEST(KeySecurityInfo, InheritanceIsWrittenWithTheListOnly)
{
    // This platform keeps no protected flag on registry keys, so the parts a
    // save writes are checked as they leave for the platform.
    Descriptor protectedList(L"D:P(A;;KA;;;WD)");
    Descriptor inheriting(L"D:(A;;KA;;;WD)");
    Descriptor ownerOnly(L"O:BA");
    EXPECT_EQ(
        SecurityPartsToWrite(DACL_SECURITY_INFORMATION, protectedList.sd),
        static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION));
    EXPECT_EQ(
        SecurityPartsToWrite(DACL_SECURITY_INFORMATION, inheriting.sd),
        static_cast<SECURITY_INFORMATION>(DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION));
    EXPECT_EQ(SecurityPartsToWrite(OWNER_SECURITY_INFORMATION, ownerOnly.sd),
              static_cast<SECURITY_INFORMATION>(OWNER_SECURITY_INFORMATION));
    EXPECT_EQ(SecurityPartsToWrite(SACL_SECURITY_INFORMATION, inheriting.sd),
              static_cast<SECURITY_INFORMATION>(SACL_SECURITY_INFORMATION));

    // And an owner save through the object changes the owner only.
    RegistrySandbox box;
    box.CreateKey(L"Guarded");
    std::wstring object = SecurityObjectName(box.PathOf(L"Guarded"));
    zv::com_ptr<CRegKeySecurityInfo> info = zv::MakeCom<CRegKeySecurityInfo>(object.c_str());
    ASSERT_EQ(info->SetSecurity(DACL_SECURITY_INFORMATION, protectedList.sd), S_OK);
    std::wstring before = KeySddl(object, DACL_SECURITY_INFORMATION);
    EXPECT_EQ(info->SetSecurity(OWNER_SECURITY_INFORMATION, ownerOnly.sd), S_OK);
    EXPECT_EQ(KeySddl(object, DACL_SECURITY_INFORMATION), before);
    EXPECT_EQ(KeySddl(object, OWNER_SECURITY_INFORMATION), L"O:BA");
}

TEST(KeySecurityInfo, AListSaveWithoutAListIsRefusedAndChangesNothing)
{
    RegistrySandbox box;
    box.CreateKey(L"Kept");
    std::wstring object = SecurityObjectName(box.PathOf(L"Kept"));
    zv::com_ptr<CRegKeySecurityInfo> info = zv::MakeCom<CRegKeySecurityInfo>(object.c_str());
    Descriptor own(L"D:P(A;;KR;;;WD)(A;;KA;;;BA)");
    ASSERT_EQ(info->SetSecurity(DACL_SECURITY_INFORMATION, own.sd), S_OK);
    std::wstring before = KeySddl(object, DACL_SECURITY_INFORMATION);

    // A descriptor that holds no list, and one whose list is null.
    SECURITY_DESCRIPTOR empty;
    InitializeSecurityDescriptor(&empty, SECURITY_DESCRIPTOR_REVISION);
    EXPECT_EQ(info->SetSecurity(DACL_SECURITY_INFORMATION, &empty), E_INVALIDARG);
    SECURITY_DESCRIPTOR nullList;
    InitializeSecurityDescriptor(&nullList, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&nullList, TRUE, nullptr, FALSE);
    EXPECT_EQ(info->SetSecurity(DACL_SECURITY_INFORMATION, &nullList), E_INVALIDARG);
    EXPECT_EQ(info->SetSecurity(DACL_SECURITY_INFORMATION, nullptr), E_POINTER);
    EXPECT_EQ(KeySddl(object, DACL_SECURITY_INFORMATION), before);
}

TEST(KeySecurityInfo, ReadsThroughItsOwnCopyOfThePathAndNamesTheKey)
{
    RegistrySandbox box;
    box.CreateKey(L"Named key");
    zv::com_ptr<CRegKeySecurityInfo> info;
    {
        std::wstring temporary = SecurityObjectName(L"current_user\\" + box.SubKey() + L"\\Named key");
        info = zv::MakeCom<CRegKeySecurityInfo>(temporary.c_str());
        temporary.assign(temporary.size(), L'x');
    }
    SI_OBJECT_INFO object = {};
    ASSERT_EQ(info->GetObjectInformation(&object), S_OK);
    EXPECT_STREQ(object.pszObjectName, L"Named key");
    EXPECT_TRUE(object.dwFlags & SI_EDIT_OWNER);
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_EQ(info->GetSecurity(OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &sd, FALSE), S_OK);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    EXPECT_TRUE(GetSecurityDescriptorOwner(sd, &owner, &defaulted) && owner);
    LocalFree(sd);

    zv::com_ptr<CRegKeySecurityInfo> missing = zv::MakeCom<CRegKeySecurityInfo>(L"CURRENT_USER\\NoSuchKeyZv");
    EXPECT_EQ(missing->GetSecurity(OWNER_SECURITY_INFORMATION, &sd, FALSE),
              SecurityResult(ERROR_FILE_NOT_FOUND));
}

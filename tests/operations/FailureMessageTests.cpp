// What the user is told when a change fails: the advice to run as
// Administrator only for a limited user and an access failure, the advice to
// take ownership for an elevated one, and a key another program deleted
// named as such instead of blamed on permissions.
#include "operations/ReportError.h"
#include "support/RegistrySandbox.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

TEST(FailureMessages, TheAdviceFitsTheUserAndTheFailure)
{
    EXPECT_TRUE(AdministratorAdviceHelps(ERROR_ACCESS_DENIED, false));
    EXPECT_FALSE(AdministratorAdviceHelps(ERROR_ACCESS_DENIED, true)) << "already an administrator";
    EXPECT_FALSE(AdministratorAdviceHelps(ERROR_FILE_NOT_FOUND, false)) << "rights would not help";
    EXPECT_FALSE(AdministratorAdviceHelps(ERROR_ALREADY_EXISTS, false));

    RegistrySandbox box;
    box.CreateKey(L"Here");
    const std::wstring here = box.PathOf(L"Here"), gone = box.PathOf(L"Gone");
    std::wstring limited = WriteFailureText(ERROR_ACCESS_DENIED, here, false);
    std::wstring elevated = WriteFailureText(ERROR_ACCESS_DENIED, here, true);
    EXPECT_EQ(limited.rfind(L"Registry changes were not saved. You may not have write permissions", 0), 0u);
    EXPECT_NE(limited.find(L"run Zorvane as Administrator"), std::wstring::npos);
    EXPECT_EQ(limited.find(L"take ownership"), std::wstring::npos);
    EXPECT_NE(elevated.find(L"take ownership"), std::wstring::npos);
    EXPECT_EQ(elevated.find(L"Administrator"), std::wstring::npos);

    // A key that is no longer there: said so, whatever code the write gave.
    for (DWORD code : {DWORD(ERROR_KEY_DELETED), DWORD(ERROR_FILE_NOT_FOUND), DWORD(ERROR_INVALID_HANDLE)})
        for (bool rights : {false, true})
            EXPECT_EQ(WriteFailureText(code, gone, rights),
                      gone + L" does not exist: another program may have deleted it. Nothing was written.")
                << code;
    // A code about something else on an existing key: the system's words, no advice.
    std::wstring other = WriteFailureText(ERROR_FILE_NOT_FOUND, here, false);
    EXPECT_EQ(other.rfind(L"Registry changes were not saved.\n", 0), 0u);
    EXPECT_EQ(other.find(L"Administrator"), std::wstring::npos);

    // The operations' texts keep the advice only where it helps (the tests
    // run elevated).
    ScriptedPrompts user;
    user.Answer(IDOK);
    ReportError(ERROR_ACCESS_DENIED, L"Delete failed. Try run as Administrator option.", true);
    ASSERT_EQ(user.Boxes().size(), 1u);
    EXPECT_EQ(user.Boxes()[0].text.rfind(L"Delete failed.\n", 0), 0u) << "no advice for an administrator";
    EXPECT_EQ(user.Boxes()[0].text.find(L"Try run as"), std::wstring::npos);
}

// The message-box seam: icon rules, captions and the scripted responder.
#include "base/UserPrompts.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

TEST(UserPrompts, BoxesWithoutIconGetWarningOrQuestion)
{
    EXPECT_EQ(WithDefaultIcon(MB_OK), static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(WithDefaultIcon(MB_OKCANCEL), static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
    EXPECT_EQ(WithDefaultIcon(MB_YESNO), static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(WithDefaultIcon(MB_OK | MB_ICONERROR), static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(WithDefaultIcon(MB_YESNO | MB_ICONWARNING), static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
}

TEST(UserPrompts, ScriptedAnswersComeInOrderAndEveryBoxIsRecorded)
{
    ScriptedPrompts user;
    user.Answer(IDYES);
    user.Answer(IDNO);
    EXPECT_EQ(AfxMessageBox(L"First?", MB_YESNO), IDYES);
    EXPECT_EQ(AfxMessageBox(L"Second?", MB_YESNO), IDNO);
    std::vector<RecordedBox> boxes = user.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, L"First?");
    EXPECT_EQ(boxes[0].caption, L"Zorvane");
    EXPECT_EQ(boxes[0].buttons, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes[0].icon, static_cast<UINT>(MB_ICONQUESTION));

    user.Answer(IDOK);
    AfxMessageBox(L"Failed.", MB_OK | MB_ICONERROR);
    EXPECT_EQ(user.Boxes().back().icon, static_cast<UINT>(MB_ICONERROR));
}

TEST(UserPrompts, StatusTextReachesTheInstalledSinkFromAnyThread)
{
    ScriptedPrompts user;
    ShowStatusText(L"on the UI thread");
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            ShowStatusText(L"from a worker");
            return 0;
        },
        nullptr, 0, nullptr);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    EXPECT_EQ(user.StatusTexts(), (std::vector<std::wstring>{L"on the UI thread", L"from a worker"}));
}

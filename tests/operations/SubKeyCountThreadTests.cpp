// The owned background count: its messages, and how it ends.
#include "operations/SubKeyCount.h"
#include "support/MessageRecorder.h"
#include "support/RegistrySandbox.h"
#include "support/SubKeyTrees.h"

#include <gtest/gtest.h>

namespace
{
constexpr UINT kCountMessage = 1046;

bool EndsWithin(const zv::WorkerThread& thread, DWORD ms)
{
    return WaitForSingleObject(thread.Handle(), ms) == WAIT_OBJECT_0;
}
} // namespace

TEST(SubKeyCountThread, SendsCheckPointsThenTheTotalAndEnds)
{
    RegistrySandbox box;
    MakeCountTree(box);
    MessageRecorder recorder(kCountMessage, kCountMessage, {kCountMessage});
    zv::WorkerThread count = StartSubKeyCount(recorder.Window(), kCountMessage, box.Path());
    ASSERT_TRUE(count);
    ASSERT_TRUE(recorder.PumpUntil(
        [&] { return !recorder.Messages().empty() && recorder.Messages().back().lParam == 0; }, 60000));
    std::vector<RecordedMessage> messages = recorder.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].wParam, 8642u);
    EXPECT_EQ(messages[0].text, L"in04320");
    EXPECT_EQ(messages[1].wParam, 10000u);
    EXPECT_TRUE(EndsWithin(count, 10000));
    EXPECT_EQ(count.ExitCode(), 0u);
}

// The page closes while the count runs: the worker, waiting in SendMessage
// for the first check point, finds the window gone afterwards and sends
// nothing more.
TEST(SubKeyCountThread, WindowThatGoesStopsTheCountWithoutAnotherMessage)
{
    RegistrySandbox box;
    MakeCountTree(box);
    MessageRecorder recorder(kCountMessage, kCountMessage);
    recorder.onMessage = [&](const RecordedMessage&) { DestroyWindow(recorder.Window()); };
    zv::WorkerThread count = StartSubKeyCount(recorder.Window(), kCountMessage, box.Path());
    ASSERT_TRUE(count);
    ASSERT_TRUE(recorder.PumpUntil([&] { return !count.IsRunning(); }, 60000));
    EXPECT_EQ(recorder.Messages().size(), 1u);
}

// The owner stops the count from inside a progress message (the worker is
// blocked in SendMessage then): the thread ends without the total.
TEST(SubKeyCountThread, OwnerThatStopsItGetsNoTotalAndTheThreadEnds)
{
    RegistrySandbox box;
    MakeCountTree(box);
    MessageRecorder recorder(kCountMessage, kCountMessage);
    zv::WorkerThread count;
    recorder.onMessage = [&](const RecordedMessage&) { count.RequestStop(); };
    count = StartSubKeyCount(recorder.Window(), kCountMessage, box.Path());
    ASSERT_TRUE(count);
    ASSERT_TRUE(recorder.PumpUntil([&] { return !count.IsRunning(); }, 60000));
    std::vector<RecordedMessage> messages = recorder.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].wParam, 8642u);
}

// Ending the owner joins: the destructor returns only once the thread has
// ended, even while it is busy.
TEST(SubKeyCountThread, DestroyingTheOwnerWaitsForTheThread)
{
    RegistrySandbox box;
    MakeCountTree(box);
    MessageRecorder recorder(kCountMessage, kCountMessage);
    HANDLE copy = nullptr;
    {
        zv::WorkerThread count = StartSubKeyCount(recorder.Window(), kCountMessage, box.Path());
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), count.Handle(), GetCurrentProcess(), &copy, 0, FALSE,
                                    DUPLICATE_SAME_ACCESS));
    }
    EXPECT_EQ(WaitForSingleObject(copy, 0), WAIT_OBJECT_0);
    CloseHandle(copy);
}

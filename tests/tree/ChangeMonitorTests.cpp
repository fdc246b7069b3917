// Change monitors: bursts settle into one event, each root reports its own,
// and each monitor's thread ends when it is stopped or the program closes.
#include "base/Shutdown.h"
#include "support/MessageRecorder.h"
#include "support/RegistrySandbox.h"
#include "registry/ChangeMonitor.h"

#include <gtest/gtest.h>

namespace
{
constexpr DWORD kDeadline = 10000;

size_t CountFor(const MessageRecorder& recorder, const CChngMntr& monitor)
{
    size_t n = 0;
    for (const RecordedMessage& m : recorder.Messages())
        if (m.lParam == monitor.Cookie())
        {
            EXPECT_EQ(m.wParam, 1u);
            ++n;
        }
    return n;
}

void WriteMachineValue(const wchar_t* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ZorvaneTests", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

// Runs every message already posted to this thread.
void DrainPosted()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}
} // namespace

TEST(ChangeMonitor, TenWritesInABurstGiveOneEventAfterTheQuietTime)
{
    ResetShutdownForTests();
    RegistrySandbox box;
    MessageRecorder recorder(CChngMntr::Message(), CChngMntr::Message());
    CChngMntr monitor(recorder.Window(), L"current_user", 7);
    EXPECT_EQ(monitor.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(monitor.WaitUntilWatching(kDeadline));
    DWORD last = 0;
    for (int i = 0; i < 10; ++i)
    {
        // Writes 100 ms apart: each falls inside the settle time of the one before.
        box.SetDword(L"", L"Burst", static_cast<DWORD>(i));
        last = GetTickCount();
        recorder.PumpUntil([] { return false; }, 100);
    }
    ASSERT_TRUE(recorder.PumpUntil([&] { return CountFor(recorder, monitor) >= 1; }, kDeadline));
    EXPECT_GE(GetTickCount() - last, 250u) << "the event waits for a quiet time";
    EXPECT_GE(monitor.ChangesSeen(), 2u);
    // Stopping joins the thread: whatever it posted is queued by now.
    monitor.Stop();
    EXPECT_FALSE(monitor.IsRunning());
    DrainPosted();
    EXPECT_EQ(CountFor(recorder, monitor), 1u);
    EXPECT_EQ(monitor.Thread().ExitCode(), static_cast<DWORD>(zv::kExitChangeMonitor));
}

TEST(ChangeMonitor, EachRootReportsItsOwnChanges)
{
    ResetShutdownForTests();
    RegistrySandbox box;
    MessageRecorder recorder(CChngMntr::Message(), CChngMntr::Message());
    CChngMntr user(recorder.Window(), L"CURRENT_USER", 1);
    CChngMntr machine(recorder.Window(), L"LOCAL_MACHINE", 2);
    ASSERT_TRUE(user.Start());
    ASSERT_TRUE(machine.Start());
    ASSERT_TRUE(user.WaitUntilWatching(kDeadline));
    ASSERT_TRUE(machine.WaitUntilWatching(kDeadline));
    box.SetDword(L"", L"User", 1);
    WriteMachineValue(L"Machine", 2);
    ASSERT_TRUE(recorder.PumpUntil([&] { return CountFor(recorder, user) && CountFor(recorder, machine); },
                                   kDeadline));
    EXPECT_EQ(machine.RootName(), L"LOCAL_MACHINE");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\ZorvaneTests");
}

TEST(ChangeMonitor, ShutdownWhileSettlingEndsTheThreadWithoutPosting)
{
    ResetShutdownForTests();
    RegistrySandbox box;
    MessageRecorder recorder(CChngMntr::Message(), CChngMntr::Message());
    CChngMntr monitor(recorder.Window(), L"CURRENT_USER", 3);
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(monitor.WaitUntilWatching(kDeadline));
    box.SetDword(L"", L"Late", 1);
    // The thread has seen the change and settles for 300 ms.
    DWORD start = GetTickCount();
    while (monitor.ChangesSeen() == 0 && GetTickCount() - start < kDeadline)
        Sleep(1);
    ASSERT_EQ(monitor.ChangesSeen(), 1u);
    SignalShutdown();
    ASSERT_EQ(WaitForSingleObject(monitor.Thread().Handle(), kDeadline), WAIT_OBJECT_0);
    DrainPosted();
    EXPECT_EQ(CountFor(recorder, monitor), 0u);
    ResetShutdownForTests();
}

TEST(ChangeMonitor, UnknownRootEndsAtOnceAndStopEndsAWatchingMonitor)
{
    ResetShutdownForTests();
    MessageRecorder recorder(CChngMntr::Message(), CChngMntr::Message());
    CChngMntr unknown(recorder.Window(), L"NOT_A_ROOT");
    EXPECT_EQ(unknown.RootKey(), nullptr);
    ASSERT_TRUE(unknown.Start());
    ASSERT_EQ(WaitForSingleObject(unknown.Thread().Handle(), kDeadline), WAIT_OBJECT_0);
    EXPECT_FALSE(unknown.WaitUntilWatching(0));

    CChngMntr users(recorder.Window(), L"USERS");
    ASSERT_TRUE(users.Start());
    ASSERT_TRUE(users.WaitUntilWatching(kDeadline));
    EXPECT_TRUE(users.IsRunning());
    users.Stop();
    EXPECT_FALSE(users.IsRunning());
    EXPECT_FALSE(IsShuttingDown());
}

// Change monitors: bursts settle into one event, each root reports its own.
#include "app/Shutdown.h"
#include "support/MessageRecorder.h"
#include "support/RegistrySandbox.h"
#include "tree/ChangeMonitor.h"

#include <gtest/gtest.h>

namespace
{
size_t CountFor(const MessageRecorder& recorder, const CChngMntr& monitor)
{
    size_t n = 0;
    for (const RecordedMessage& m : recorder.Messages())
        if (m.lParam == reinterpret_cast<LPARAM>(&monitor))
        {
            EXPECT_EQ(m.wParam, 1u);
            ++n;
        }
    return n;
}

void WriteMachineValue(const wchar_t* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ZorvaneTests", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}
} // namespace

TEST(ChangeMonitor, TenWritesInABurstGiveOneEvent)
{
    ResetShutdownForTests();
    RegistrySandbox box;
    MessageRecorder recorder(CChngMntr::Message(), CChngMntr::Message());
    auto* monitor = new CChngMntr(recorder.Window(), L"current_user"); // lives until the process ends
    EXPECT_EQ(monitor->RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(monitor->Start());
    Sleep(200);
    DWORD last = 0;
    for (int i = 0; i < 10; ++i)
    {
        box.SetDword(L"", L"Burst", static_cast<DWORD>(i));
        last = GetTickCount();
        recorder.PumpUntil([] { return false; }, 100);
    }
    ASSERT_TRUE(recorder.PumpUntil([&] { return CountFor(recorder, *monitor) >= 1; }, 3000));
    DWORD delay = GetTickCount() - last;
    EXPECT_GE(delay, 250u) << "the event waits for a quiet time";
    recorder.PumpUntil([] { return false; }, 700);
    EXPECT_EQ(CountFor(recorder, *monitor), 1u);
    SignalShutdown();
}

TEST(ChangeMonitor, EachRootReportsItsOwnChanges)
{
    ResetShutdownForTests();
    RegistrySandbox box;
    MessageRecorder recorder(CChngMntr::Message(), CChngMntr::Message());
    auto* user = new CChngMntr(recorder.Window(), L"CURRENT_USER");
    auto* machine = new CChngMntr(recorder.Window(), L"LOCAL_MACHINE");
    ASSERT_TRUE(user->Start());
    ASSERT_TRUE(machine->Start());
    Sleep(200);
    box.SetDword(L"", L"User", 1);
    WriteMachineValue(L"Machine", 2);
    ASSERT_TRUE(recorder.PumpUntil([&] { return CountFor(recorder, *user) && CountFor(recorder, *machine); }, 3000));
    recorder.PumpUntil([] { return false; }, 500);
    EXPECT_EQ(CountFor(recorder, *user), 1u);
    EXPECT_EQ(CountFor(recorder, *machine), 1u);
    EXPECT_EQ(machine->RootName(), L"LOCAL_MACHINE");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\ZorvaneTests");
    SignalShutdown();
}

TEST(ChangeMonitor, ShutdownWhileSettlingPostsNothingAndUnknownRootsAreNotWatched)
{
    ResetShutdownForTests();
    RegistrySandbox box;
    MessageRecorder recorder(CChngMntr::Message(), CChngMntr::Message());
    auto* monitor = new CChngMntr(recorder.Window(), L"CURRENT_USER");
    ASSERT_TRUE(monitor->Start());
    CChngMntr unknown(recorder.Window(), L"NOT_A_ROOT");
    EXPECT_EQ(unknown.RootKey(), nullptr);
    Sleep(200);
    box.SetDword(L"", L"Late", 1);
    Sleep(100);
    SignalShutdown();
    recorder.PumpUntil([] { return false; }, 600);
    EXPECT_EQ(CountFor(recorder, *monitor), 0u);
}

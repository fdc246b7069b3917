// Static splitters sized from ratios, and workers reporting back by message.
#include "app/framework/SplitterWnd.h"
#include "base/WorkerThread.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>
#include <atomic>

namespace
{
class Host : public CWnd
{
  public:
    bool Create(int width, int height)
    {
        return CreateEx(0, L"ZorvaneTestHost", L"host", WS_OVERLAPPEDWINDOW, RECT{0, 0, width, height},
                        nullptr, 0);
    }
};

HWND Pane(HWND parent, UINT id)
{
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

SIZE SizeOf(HWND window)
{
    RECT rc;
    GetWindowRect(window, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}
} // namespace

TEST(Splitter, PanesTakeTheirIdealSizesAndTheLastTakesTheRest)
{
    Host host;
    ASSERT_TRUE(host.Create(1000, 700));
    RECT client = host.GetClientRect();
    int width = client.right, height = client.bottom;

    CSplitterWnd outer, inner;
    ASSERT_TRUE(outer.CreateStatic(host.m_hWnd, 2, 1));
    ASSERT_TRUE(inner.CreateStatic(outer.m_hWnd, 1, 2, WS_CHILD | WS_VISIBLE, outer.IdFromRowCol(0, 0)));
    HWND search = Pane(outer.m_hWnd, outer.IdFromRowCol(1, 0));
    HWND tree = Pane(inner.m_hWnd, inner.IdFromRowCol(0, 0));
    HWND values = Pane(inner.m_hWnd, inner.IdFromRowCol(0, 1));
    // Upper row 2/3 of the height, tree 2/5 of the width: integer arithmetic.
    outer.SetRowInfo(0, height * 2 / 3, 10);
    inner.SetColumnInfo(0, width * 2 / 5, 0);
    MoveWindow(outer.m_hWnd, 0, 0, width, height, TRUE);
    EXPECT_EQ(outer.GetPane(0, 0), &inner);
    EXPECT_EQ(SizeOf(tree).cx, width * 2 / 5);
    EXPECT_EQ(SizeOf(values).cx, width - width * 2 / 5 - inner.BarSize());
    EXPECT_EQ(SizeOf(tree).cy, height * 2 / 3);
    EXPECT_EQ(SizeOf(search).cy, height - height * 2 / 3 - outer.BarSize());
    int current, minimum;
    inner.GetColumnInfo(0, current, minimum);
    EXPECT_EQ(current, width * 2 / 5);
    // At twice the DPI the bar is twice as wide, and hit where it is drawn.
    inner.SetDpi(192);
    inner.RecalcLayout();
    EXPECT_EQ(inner.BarSize(), 2 * CSplitterWnd::kBarSize);
    EXPECT_EQ(SizeOf(values).cx, width - SizeOf(tree).cx - inner.BarSize());
    inner.SetDpi(0);
    inner.RecalcLayout();
    EXPECT_EQ(SizeOf(values).cx, width - width * 2 / 5 - inner.BarSize());

    // An ideal size beyond the window leaves the last pane empty, never negative.
    inner.SetColumnInfo(0, 5000, 0);
    inner.RecalcLayout();
    EXPECT_EQ(SizeOf(values).cx, 0);
    host.DestroyWindow();
}

TEST(Splitter, DraggingABarResizesThePanes)
{
    Host host;
    ASSERT_TRUE(host.Create(800, 500));
    CSplitterWnd splitter;
    ASSERT_TRUE(splitter.CreateStatic(host.m_hWnd, 1, 2));
    HWND left = Pane(splitter.m_hWnd, splitter.IdFromRowCol(0, 0));
    Pane(splitter.m_hWnd, splitter.IdFromRowCol(0, 1));
    splitter.SetColumnInfo(0, 200, 0);
    MoveWindow(splitter.m_hWnd, 0, 0, 700, 400, TRUE);
    SendMessageW(splitter.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(202, 50));
    SendMessageW(splitter.m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(302, 50));
    SendMessageW(splitter.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(302, 50));
    EXPECT_EQ(SizeOf(left).cx, 302);
    host.DestroyWindow();
}

TEST(WorkerThread, ReportsBackByMessageAndEndsOnItsOwn)
{
    MessageRecorder recorder(WM_APP + 1, WM_APP + 1);
    HWND window = recorder.Window();
    DWORD uiThread = GetCurrentThreadId();
    zv::WorkerThread thread = zv::StartWorkerThread([window, uiThread](const zv::StopToken&) -> unsigned {
        PostMessageW(window, WM_APP + 1, GetCurrentThreadId() != uiThread, 7);
        return 5;
    });
    ASSERT_TRUE(thread);
    ASSERT_TRUE(recorder.PumpUntil([&] { return !recorder.Messages().empty(); }, 10000));
    EXPECT_EQ(recorder.Messages()[0].wParam, 1u);
    EXPECT_EQ(recorder.Messages()[0].lParam, 7);
    // It ends by itself: the handle is signalled without a stop request.
    ASSERT_EQ(WaitForSingleObject(thread.Handle(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(thread.ExitCode(), 5u);
    EXPECT_FALSE(thread.IsRunning());
}

// A worker blocked in SendMessage to a window of the thread that stops it:
// the join answers the message, so neither waits for the other for ever.
TEST(WorkerThread, JoinAnswersAWorkerThatSendsToTheWaitingThread)
{
    MessageRecorder recorder(WM_APP + 2, WM_APP + 2);
    HWND window = recorder.Window();
    zv::WorkerThread thread = zv::StartWorkerThread([window](const zv::StopToken& stop) -> unsigned {
        WaitForSingleObject(stop.StopEvent(), INFINITE);
        SendMessageW(window, WM_APP + 2, 0, 0);
        return 0;
    });
    ASSERT_TRUE(thread);
    thread.Stop(); // stop, then join while the worker sends
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(recorder.Messages().size(), 1u);
}

TEST(WorkerThread, AnExceptionEndsTheThreadWithItsOwnCodeAndStopReachesTheWorker)
{
    zv::WorkerThread throws = zv::StartWorkerThread([](const zv::StopToken&) -> unsigned { throw 42; });
    ASSERT_EQ(WaitForSingleObject(throws.Handle(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(throws.ExitCode(), static_cast<DWORD>(zv::kExitWorkerFailed));

    std::atomic<bool> sawStop{false};
    {
        zv::WorkerThread polls = zv::StartWorkerThread([&](const zv::StopToken& stop) -> unsigned {
            while (!stop.StopRequested())
                Sleep(1);
            sawStop = true;
            return 0;
        });
        ASSERT_TRUE(polls.IsRunning());
    } // the owner goes: stop, then join
    EXPECT_TRUE(sawStop);
}

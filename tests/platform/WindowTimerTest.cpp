#include <gtest/gtest.h>

#include <vector>

#include "WindowTestSupport.h"
#include "platform/LastError.h"
#include "platform/Timer.h"

namespace {

using namespace win;
using namespace wintest;

class WindowTimerTest : public ::testing::Test {
protected:
    void TearDown() override { DrainQueue(); }
};

TEST_F(WindowTimerTest, TimersTickThroughTheQueueUntilKilled) {
    std::vector<WPARAM> ticks;
    ScopedWindow window([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_TIMER) ticks.push_back(wParam);
        return DefWindowProc(hwnd, message, wParam, lParam);
    });
    ASSERT_EQ(SetTimer(window.Get(), 7, 20), 7u);
    ASSERT_TRUE(PumpUntil([&] { return ticks.size() >= 3; }));
    EXPECT_EQ(ticks, (std::vector<WPARAM>(ticks.size(), 7)));

    ASSERT_TRUE(KillTimer(window.Get(), 7));
    const std::size_t before = ticks.size();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 60, QS_ALLINPUT), WAIT_TIMEOUT);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, PM_REMOVE));
    EXPECT_EQ(ticks.size(), before);
    EXPECT_FALSE(KillTimer(window.Get(), 7));
}

TEST_F(WindowTimerTest, PostedMessagesComeBeforeADueTimer) {
    ScopedWindow window(Plain);
    ASSERT_EQ(SetTimer(window.Get(), 1, USER_TIMER_MINIMUM), 1u);
    Sleep(3 * USER_TIMER_MINIMUM);
    ASSERT_TRUE(PostMessage(window.Get(), kApp, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, PM_REMOVE));
    EXPECT_EQ(msg.message, kApp);
    ASSERT_TRUE(PeekMessage(&msg, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_FALSE(PeekMessage(&msg, PM_REMOVE)) << "a late timer ticks once, not once per interval";
    KillTimer(window.Get(), 1);
}

TEST_F(WindowTimerTest, TimerOfAnotherThreadsWindowTicksOnThatThread) {
    std::atomic<DWORD> tickedOn{0};
    WindowThread thread([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_TIMER && wParam == 3) tickedOn = GetCurrentThreadId();
        return DefWindowProc(hwnd, message, wParam, lParam);
    });
    ASSERT_EQ(SetTimer(thread.Window(), 3, 10), 3u);
    EXPECT_TRUE(Eventually([&] { return tickedOn.load() == thread.ThreadId(); }))
        << "a thread sleeping in GetMessage must wake for a timer set after it slept";
}

}  // namespace

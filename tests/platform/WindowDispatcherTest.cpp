#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "WindowTestSupport.h"
#include "platform/ThreadDispatcher.h"
#include "platform/Timer.h"

namespace {

using namespace win;
using namespace wintest;

// Plays a foreign event loop (as the Qt UI thread will): Wake only flags the
// loop, which then pumps this layer's messages.
class FakeDispatcher : public IThreadDispatcher {
public:
    void Wake() override {
        std::lock_guard<std::mutex> hold(mutex_);
        ++wakes_;
        woken_ = true;
        changed_.notify_all();
    }
    bool RunModalLoop(const std::function<bool()>& finished) override {
        ++modalLoops;
        while (!finished()) {
            if (!WaitForWake(kBound)) return false;
            if (DispatchPendingMessages().quitRequested) return false;
        }
        return true;
    }
    // The outer loop: pumps after each wake until a quit request.
    void RunOuterLoop() {
        for (;;) {
            const PumpResult result = DispatchPendingMessages();
            if (result.quitRequested) return;
            WaitForWake(std::min<DWORD>(result.msUntilNextTimer, 100));
        }
    }
    int Wakes() {
        std::lock_guard<std::mutex> hold(mutex_);
        return wakes_;
    }

    std::atomic<int> modalLoops{0};

private:
    bool WaitForWake(DWORD ms) {
        std::unique_lock<std::mutex> hold(mutex_);
        const bool woken =
            changed_.wait_for(hold, std::chrono::milliseconds(ms), [this] { return woken_; });
        woken_ = false;
        return woken;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool woken_ = false;
    int wakes_ = 0;
};

class WindowDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override { BindThreadDispatcher(dispatcher_); }
    void TearDown() override {
        BindThreadDispatcher(nullptr);
        DrainQueue();
    }
    std::shared_ptr<FakeDispatcher> dispatcher_ = std::make_shared<FakeDispatcher>();
};

TEST_F(WindowDispatcherTest, PumpTakesOnlyWhatWasQueuedWhenItStarted) {
    std::vector<WPARAM> handled;
    ScopedWindow window([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != kApp) return DefWindowProc(hwnd, message, wParam, lParam);
        handled.push_back(wParam);
        if (wParam == 1) PostMessage(hwnd, kApp, 2, 0);
        return 0;
    });
    const int wakesBefore = dispatcher_->Wakes();
    ASSERT_TRUE(PostMessage(window.Get(), kApp, 1, 0));
    EXPECT_GT(dispatcher_->Wakes(), wakesBefore) << "a post must wake the foreign loop";

    EXPECT_FALSE(DispatchPendingMessages().quitRequested);
    EXPECT_EQ(handled, std::vector<WPARAM>{1});
    DispatchPendingMessages();
    EXPECT_EQ(handled, (std::vector<WPARAM>{1, 2}));
}

TEST_F(WindowDispatcherTest, PumpReportsQuitAndTheNextTimer) {
    ScopedWindow window(Plain);
    ASSERT_EQ(SetTimer(window.Get(), 1, 1000), 1u);
    PumpResult result = DispatchPendingMessages();
    EXPECT_FALSE(result.quitRequested);
    EXPECT_LE(result.msUntilNextTimer, 1000u);
    EXPECT_GT(result.msUntilNextTimer, 0u);
    KillTimer(window.Get(), 1);
    EXPECT_EQ(DispatchPendingMessages().msUntilNextTimer, INFINITE);

    PostQuitMessage(9);
    result = DispatchPendingMessages();
    EXPECT_TRUE(result.quitRequested);
    EXPECT_EQ(result.quitCode, 9);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, PM_REMOVE)) << "the quit request was taken by the pump";
}

TEST_F(WindowDispatcherTest, ModalLoopOfABoundThreadIsTheDispatchers) {
    bool finished = false;
    ScopedWindow box([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kApp + 20) finished = true;
        return DefWindowProc(hwnd, message, wParam, lParam);
    });
    const HWND target = box.Get();
    CThread dismisser;
    dismisser.Create([target] { return static_cast<DWORD>(SendMessage(target, kApp + 20, 0, 0)); });
    EXPECT_TRUE(RunModalLoop([&] { return finished; }));
    EXPECT_EQ(dispatcher_->modalLoops.load(), 1);
    EXPECT_EQ(dismisser.Wait(kBound), WAIT_OBJECT_0);
}

TEST(WindowForeignLoopTest, SendsPostsAndTimersReachAThreadRunningItsOwnLoop) {
    auto dispatcher = std::make_shared<FakeDispatcher>();
    CEvent ready;
    ASSERT_TRUE(ready.Create(true, false));
    std::atomic<HWND> window{nullptr};
    std::atomic<int> posts{0};
    std::atomic<int> ticks{0};
    CThread thread;
    ASSERT_TRUE(thread.Create([&] {
        BindThreadDispatcher(dispatcher);
        window = CreateWindow(
            [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (message == kApp + 1) return 40 + static_cast<LRESULT>(wParam);
                if (message == kApp + 2) ++posts;
                if (message == WM_TIMER) ++ticks;
                return DefWindowProc(hwnd, message, wParam, lParam);
            },
            "", 0);
        ready.Set();
        dispatcher->RunOuterLoop();
        return DWORD{0};
    }));
    ASSERT_EQ(ready.Wait(kBound), WAIT_OBJECT_0);

    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeout(window, kApp + 1, 2, 0, SMTO_BLOCK, kBound, &result));
    EXPECT_EQ(result, 42u);
    ASSERT_TRUE(PostMessage(window, kApp + 2, 0, 0));
    EXPECT_TRUE(Eventually([&] { return posts.load() == 1; }));
    ASSERT_EQ(SetTimer(window, 5, 10), 5u);
    EXPECT_TRUE(Eventually([&] { return ticks.load() >= 2; }));

    EXPECT_GT(dispatcher->Wakes(), 0);
    ASSERT_TRUE(PostThreadMessage(thread.Id(), WM_QUIT, 0, 0));
    EXPECT_EQ(thread.Wait(kBound), WAIT_OBJECT_0) << "a posted WM_QUIT ends the foreign loop too";
}

}  // namespace

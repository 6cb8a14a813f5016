#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "WindowTestSupport.h"
#include "platform/LastError.h"

namespace {

using namespace win;
using namespace wintest;

class WindowMessageTest : public ::testing::Test {
protected:
    void TearDown() override { DrainQueue(); }
};

TEST_F(WindowMessageTest, PostsArriveInOrder) {
    std::vector<WPARAM> seen;
    CEvent last;
    ASSERT_TRUE(last.Create(true, false));
    WindowThread thread([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != kApp) return DefWindowProc(hwnd, message, wParam, lParam);
        seen.push_back(wParam);
        if (wParam == 199) last.Set();
        return 0;
    });
    std::vector<WPARAM> expected;
    for (WPARAM i = 0; i < 200; ++i) {
        ASSERT_TRUE(PostMessage(thread.Window(), kApp, i, 0));
        expected.push_back(i);
    }
    ASSERT_EQ(last.Wait(kBound), WAIT_OBJECT_0);
    thread.Stop();
    EXPECT_EQ(seen, expected);
}

TEST_F(WindowMessageTest, PostedMessagesComeBeforeTheQuitRequest) {
    ScopedWindow window(Plain);
    PostQuitMessage(3);
    ASSERT_TRUE(PostMessage(window.Get(), kApp, 1, 2));
    MSG msg;
    ASSERT_EQ(GetMessage(&msg), 1);
    EXPECT_EQ(msg.hwnd, window.Get());
    EXPECT_EQ(msg.message, kApp);
    EXPECT_EQ(msg.lParam, 2);
    EXPECT_EQ(GetMessage(&msg), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(WindowMessageTest, ThreadMessagesAndTheirFailures) {
    ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), kApp + 9, 4, 5));
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessage(&msg, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.message, kApp + 9);
    EXPECT_FALSE(PeekMessage(&msg, PM_REMOVE));

    DWORD endedThread = 0;
    {
        WindowThread thread(Plain);
        endedThread = thread.ThreadId();
    }
    EXPECT_FALSE(PostThreadMessage(endedThread, kApp, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
}

TEST_F(WindowMessageTest, AFullQueueRefusesFurtherPosts) {
    ScopedWindow window(Plain);
    for (std::size_t i = 0; i < POSTED_MESSAGE_QUOTA; ++i) {
        ASSERT_TRUE(PostMessage(window.Get(), kApp, i, 0)) << i;
    }
    EXPECT_FALSE(PostMessage(window.Get(), kApp, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, PM_REMOVE));
    EXPECT_TRUE(PostMessage(window.Get(), kApp, 0, 0)) << "room again after one was taken";
}

TEST_F(WindowMessageTest, SendRunsOnTheOwnerThreadAndReturnsItsResult) {
    std::atomic<DWORD> handledOn{0};
    WindowThread thread([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != kApp + 1) return DefWindowProc(hwnd, message, wParam, lParam);
        handledOn = GetCurrentThreadId();
        return static_cast<LRESULT>(wParam) + lParam;
    });
    EXPECT_EQ(SendMessage(thread.Window(), kApp + 1, 20, 22), 42);
    EXPECT_EQ(handledOn.load(), thread.ThreadId());

    ScopedWindow own([&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == kApp + 1) handledOn = GetCurrentThreadId();
        return 5;
    });
    EXPECT_EQ(SendMessage(own.Get(), kApp + 1, 0, 0), 5);
    EXPECT_EQ(handledOn.load(), GetCurrentThreadId()) << "an own window is called directly";
}

TEST_F(WindowMessageTest, NestedSendsBackToAWaitingSenderComplete) {
    ScopedWindow here([](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return message == kApp + 2 ? 7 : DefWindowProc(hwnd, message, wParam, lParam);
    });
    const HWND hereHwnd = here.Get();
    WindowThread there(
        [hereHwnd](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message != kApp + 3) return DefWindowProc(hwnd, message, wParam, lParam);
            return SendMessage(hereHwnd, kApp + 2, 0, 0) + 1;
        });
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeout(there.Window(), kApp + 3, 0, 0, SMTO_NORMAL, kBound, &result));
    EXPECT_EQ(result, 8u);
}

TEST_F(WindowMessageTest, BlockingSendServesNoSendsMeanwhile) {
    ScopedWindow here([](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return message == kApp + 2 ? 7 : DefWindowProc(hwnd, message, wParam, lParam);
    });
    const HWND hereHwnd = here.Get();
    std::atomic<LRESULT> innerResult{0};
    WindowThread there([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != kApp + 3) return DefWindowProc(hwnd, message, wParam, lParam);
        innerResult = SendMessage(hereHwnd, kApp + 2, 0, 0);
        return 1;
    });
    DWORD_PTR result = 99;
    EXPECT_FALSE(SendMessageTimeout(there.Window(), kApp + 3, 0, 0, SMTO_BLOCK, 100, &result));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_EQ(result, 0u);
    // The other thread still waits for this one; the next pump answers it.
    EXPECT_TRUE(PumpUntil([&] { return innerResult.load() == 7; }));
}

TEST_F(WindowMessageTest, SendTimesOutWhileTheOwnerIsBlockedAndIsWithdrawn) {
    Gate gate;
    std::atomic<bool> busy{false};
    std::atomic<int> pings{0};
    WindowThread thread([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kApp + 4) {
            busy = true;
            gate.Wait();
            return 0;
        }
        if (message == kApp + 5) return ++pings;
        return DefWindowProc(hwnd, message, wParam, lParam);
    });
    GateOpener opener(gate);  // destroyed first: the thread must not stay blocked
    ASSERT_TRUE(PostMessage(thread.Window(), kApp + 4, 0, 0));
    ASSERT_TRUE(Eventually([&] { return busy.load(); }));

    const auto start = std::chrono::steady_clock::now();
    DWORD_PTR result = 99;
    EXPECT_FALSE(SendMessageTimeout(thread.Window(), kApp + 5, 0, 0, SMTO_BLOCK, 200, &result));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(result, 0u);

    gate.Open();
    EXPECT_EQ(SendMessage(thread.Window(), kApp + 5, 0, 0), 1)
        << "the timed-out send must not be delivered late";
}

TEST_F(WindowMessageTest, SendsToGoneWindowsFailWithoutWaiting) {
    HWND destroyed = CreateWindow(Plain, "", 0);
    ASSERT_TRUE(DestroyWindow(destroyed));
    SetLastError(0);
    EXPECT_EQ(SendMessage(destroyed, kApp, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PostMessage(destroyed, kApp, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

    HWND orphan = nullptr;
    {
        WindowThread thread(Plain);
        orphan = thread.Window();
    }
    EXPECT_FALSE(IsWindow(orphan)) << "a thread's windows end with it";
    DWORD_PTR result = 0;
    EXPECT_FALSE(SendMessageTimeout(orphan, kApp, 0, 0, SMTO_NORMAL, kBound, &result));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE) << "failed, not timed out";
}

TEST_F(WindowMessageTest, PendingSendFailsWhenTheOwnerThreadEnds) {
    Gate gate;
    std::atomic<bool> busy{false};
    WindowThread* owner = nullptr;
    WindowThread thread([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != kApp + 4) return DefWindowProc(hwnd, message, wParam, lParam);
        busy = true;
        gate.Wait();
        owner->LeaveLoopSilently();  // ends without serving the waiting send
        return 0;
    });
    GateOpener opener(gate);  // destroyed first: the thread must not stay blocked
    owner = &thread;
    const HWND target = thread.Window();
    ASSERT_TRUE(PostMessage(target, kApp + 4, 0, 0));
    ASSERT_TRUE(Eventually([&] { return busy.load(); }));

    CThread sender;
    sender.Create([target] {
        DWORD_PTR result = 0;
        if (SendMessageTimeout(target, kApp + 5, 0, 0, SMTO_NORMAL, 2 * kBound, &result))
            return DWORD{0};
        return GetLastError();
    });
    Sleep(50);  // the send is queued behind the blocked message
    gate.Open();
    ASSERT_EQ(sender.Wait(kBound), WAIT_OBJECT_0);
    DWORD outcome = 0;
    GetExitCodeThread(sender.Handle(), &outcome);
    EXPECT_EQ(outcome, ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowMessageTest, WaitingForAWorkerServesItsSends) {
    std::atomic<int> handled{0};
    ScopedWindow dialog([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != kApp + 7) return DefWindowProc(hwnd, message, wParam, lParam);
        ++handled;
        return 0x10;
    });
    const HWND target = dialog.Get();
    CThread worker;
    ASSERT_TRUE(worker.Create([target] {
        LRESULT total = 0;
        for (int i = 0; i < 3; ++i) total += SendMessage(target, kApp + 7, i, 0);
        return static_cast<DWORD>(total);
    }));
    // The teardown pattern: the window thread waits for the worker, which is
    // sending to the window thread's window.
    ASSERT_EQ(worker.Wait(kBound), WAIT_OBJECT_0);
    DWORD total = 0;
    GetExitCodeThread(worker.Handle(), &total);
    EXPECT_EQ(total, 0x30u);
    EXPECT_EQ(handled.load(), 3);
}

TEST_F(WindowMessageTest, MessageAwareWaitReportsInput) {
    CEvent never;
    ASSERT_TRUE(never.Create(true, false));
    const HANDLE list[] = {never.Handle()};
    ScopedWindow window(Plain);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, list, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
    ASSERT_TRUE(PostMessage(window.Get(), kApp, 0, 0));
    EXPECT_EQ(MsgWaitForMultipleObjects(1, list, FALSE, kBound, QS_ALLINPUT), WAIT_OBJECT_0 + 1)
        << "input already queued counts";
    EXPECT_EQ(WaitForSingleObject(never.Handle(), 0), WAIT_TIMEOUT) << "a plain wait ignores posts";
    EXPECT_EQ(MsgWaitForMultipleObjects(1, list, TRUE, 0, QS_ALLINPUT), WAIT_FAILED);
}

TEST_F(WindowMessageTest, MessageAwareWaitReturnsAfterServingASend) {
    std::atomic<int> handled{0};
    ScopedWindow window([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kApp + 8) ++handled;
        return DefWindowProc(hwnd, message, wParam, lParam);
    });
    const HWND target = window.Get();
    CThread sender;
    sender.Create([target] {
        SendMessage(target, kApp + 8, 0, 0);
        return DWORD{0};
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, kBound, QS_SENDMESSAGE), WAIT_OBJECT_0);
    EXPECT_EQ(handled.load(), 1);
    EXPECT_EQ(sender.Wait(kBound), WAIT_OBJECT_0);
}

TEST_F(WindowMessageTest, ModalLoopEndsOnASentMessageOrAQuitRequest) {
    bool dismissed = false;
    int clicks = 0;
    ScopedWindow box([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kApp + 20) dismissed = true;
        if (message == kApp + 21) ++clicks;
        return DefWindowProc(hwnd, message, wParam, lParam);
    });
    const HWND target = box.Get();
    ASSERT_TRUE(PostMessage(target, kApp + 21, 0, 0));
    CThread dismisser;
    dismisser.Create([target] {
        Sleep(20);
        return static_cast<DWORD>(SendMessage(target, kApp + 20, 0, 0));  // sent only, never posted
    });
    EXPECT_TRUE(RunModalLoop([&] { return dismissed; }));
    EXPECT_EQ(clicks, 1) << "posted messages are dispatched meanwhile";
    EXPECT_EQ(dismisser.Wait(kBound), WAIT_OBJECT_0);

    PostQuitMessage(4);
    EXPECT_FALSE(RunModalLoop([] { return false; }));
    MSG msg;
    EXPECT_EQ(GetMessage(&msg), 0) << "the quit request is left for the outer loop";
    EXPECT_EQ(msg.wParam, 4u);
}

}  // namespace

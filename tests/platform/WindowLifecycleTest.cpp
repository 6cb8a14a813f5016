#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowTestSupport.h"
#include "platform/LastError.h"
#include "platform/Timer.h"

namespace {

using namespace win;
using namespace wintest;

struct Delivery {
    std::string window;
    UINT message;
    bool aliveThen;
    bool operator==(const Delivery&) const = default;
};

// Windows whose procedures log WM_DESTROY and WM_NCDESTROY under a name.
class DestroyLog {
public:
    WNDPROC Proc(std::string name) {
        return [this, name](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_DESTROY || message == WM_NCDESTROY) {
                entries.push_back({name, message, IsWindow(hwnd) != FALSE});
            }
            return DefWindowProc(hwnd, message, wParam, lParam);
        };
    }
    std::vector<Delivery> entries;
};

class WindowLifecycleTest : public ::testing::Test {
protected:
    void TearDown() override { DrainQueue(); }
};

TEST_F(WindowLifecycleTest, DestroyReachesOwnedWindowsThenTheWindowThenItsChildren) {
    DestroyLog log;
    HWND frame = CreateWindow(log.Proc("frame"), "", WS_VISIBLE);
    HWND child = CreateWindow(log.Proc("child"), "", WS_CHILD | WS_VISIBLE, frame);
    HWND grandchild = CreateWindow(log.Proc("grandchild"), "", WS_CHILD, child);
    HWND box = CreateWindow(log.Proc("box"), "", WS_VISIBLE, frame);  // owned popup
    ASSERT_TRUE(frame && child && grandchild && box);

    ASSERT_TRUE(DestroyWindow(frame));
    const std::vector<Delivery> expected{
        {"box", WM_DESTROY, true},        {"box", WM_NCDESTROY, true},
        {"frame", WM_DESTROY, true},      {"child", WM_DESTROY, true},
        {"grandchild", WM_DESTROY, true}, {"grandchild", WM_NCDESTROY, true},
        {"child", WM_NCDESTROY, true},    {"frame", WM_NCDESTROY, true},
    };
    EXPECT_EQ(log.entries, expected);
    for (HWND hwnd : {frame, child, grandchild, box}) EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(DestroyWindow(frame));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowLifecycleTest, DestroyDropsQueuedMessagesAndTimers) {
    HWND doomed = CreateWindow(Plain, "", 0);
    ScopedWindow survivor(Plain);
    ASSERT_TRUE(PostMessage(doomed, kApp, 1, 0));
    ASSERT_TRUE(PostMessage(survivor.Get(), kApp, 2, 0));
    ASSERT_EQ(SetTimer(doomed, 1, USER_TIMER_MINIMUM), 1u);
    ASSERT_TRUE(DestroyWindow(doomed));
    Sleep(2 * USER_TIMER_MINIMUM);

    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, survivor.Get());
    EXPECT_FALSE(PeekMessage(&msg, PM_REMOVE)) << "nothing of the destroyed window may remain";
    EXPECT_FALSE(KillTimer(doomed, 1));
}

TEST_F(WindowLifecycleTest, OnlyTheOwnerThreadMayDestroy) {
    WindowThread thread(Plain);
    EXPECT_FALSE(DestroyWindow(thread.Window()));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(IsWindow(thread.Window()));
    // WM_CLOSE through DefWindowProc destroys it on its own thread.
    EXPECT_EQ(SendMessage(thread.Window(), WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(thread.Window()));
}

TEST_F(WindowLifecycleTest, CreationPassesParametersAndCanBeRefused) {
    int marker = 0;
    void* received = nullptr;
    std::string name;
    bool destroyed = false;
    auto proc = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_CREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
            received = create->lpCreateParams;
            name = create->lpszName;
            return create->style & WS_DISABLED ? -1 : 0;
        }
        if (message == WM_DESTROY) destroyed = true;
        return DefWindowProc(hwnd, message, wParam, lParam);
    };
    ScopedWindow accepted(proc);
    HWND created = CreateWindow(proc, "Kiv Downloader", 0, nullptr, &marker);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(received, &marker);
    EXPECT_EQ(name, "Kiv Downloader");
    EXPECT_TRUE(DestroyWindow(created));

    destroyed = false;
    EXPECT_EQ(CreateWindow(proc, "", WS_DISABLED), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANCELLED);
    EXPECT_TRUE(destroyed) << "a refused window is destroyed again";
}

TEST_F(WindowLifecycleTest, HandlesAreNotReused) {
    std::vector<HWND> seen;
    for (int i = 0; i < 50; ++i) {
        HWND hwnd = CreateWindow(Plain, "", 0);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), hwnd), 0);
        seen.push_back(hwnd);
        DestroyWindow(hwnd);
    }
}

TEST_F(WindowLifecycleTest, ChildOfAnotherThreadSurvivesItsParent) {
    HWND parent = CreateWindow(Plain, "", WS_VISIBLE);
    CEvent made;
    ASSERT_TRUE(made.Create(true, false));
    std::atomic<HWND> child{nullptr};
    WindowThread thread([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == kApp) {
            child = CreateWindow(Plain, "", WS_CHILD | WS_VISIBLE, parent);
            made.Set();
        }
        return DefWindowProc(hwnd, message, wParam, lParam);
    });
    ASSERT_TRUE(PostMessage(thread.Window(), kApp, 0, 0));
    ASSERT_EQ(made.Wait(kBound), WAIT_OBJECT_0);
    ASSERT_EQ(GetParent(child), parent);
    ASSERT_TRUE(DestroyWindow(parent));
    EXPECT_TRUE(IsWindow(child));
    EXPECT_EQ(GetParent(child), nullptr);
    EXPECT_EQ(GetAncestor(child, GA_ROOT), child.load()) << "now a top-level window";
}

}  // namespace

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <atomic>

#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Timer.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/QtThreadDispatcher.h"
#include "ui/WidgetWindow.h"

namespace {

constexpr win::UINT kApp = 0x8000;

class QtDispatcherTest : public ::testing::Test {
protected:
    QtDispatcherTest() : window(&widget) {
        window.SetHandler([this](win::UINT message, win::WPARAM wParam,
                                 win::LPARAM) -> std::optional<win::LRESULT> {
            if (message == kApp + 1) return 40 + static_cast<win::LRESULT>(wParam);
            if (message == kApp + 2) ++posts;
            if (message == win::WM_TIMER) ++ticks;
            if (message == kApp + 20) finished = true;
            if (message == kApp + 4) win::PostQuitMessage(static_cast<int>(wParam));
            return std::nullopt;
        });
    }
    // Runs a QEventLoop until `quit` is called on it or the bound.
    static bool RunLoopFor(QEventLoop& loop) {
        bool timedOut = false;
        QTimer::singleShot(uitest::kBoundMs, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        loop.exec();
        return !timedOut;
    }
    CQtThreadDispatcher dispatcher;
    QWidget widget;
    CWidgetWindow window;
    std::atomic<int> posts{0};
    std::atomic<int> ticks{0};
    bool finished = false;
};

TEST_F(QtDispatcherTest, WorkerSendCompletesWhileTheUiThreadRunsANestedQtLoop) {
    QEventLoop outer;
    QEventLoop nested;
    std::atomic<win::LRESULT> result{0};
    win::CThread worker;
    const win::HWND target = window.Hwnd();
    QTimer::singleShot(0, &outer, [&] {
        // As QDialog::exec would: the worker starts while a nested loop runs.
        ASSERT_TRUE(worker.Create([&, target] {
            result = win::SendMessage(target, kApp + 1, 2, 0);
            QMetaObject::invokeMethod(&nested, &QEventLoop::quit, Qt::QueuedConnection);
            return win::DWORD{0};
        }));
        nested.exec();
        outer.quit();
    });
    ASSERT_TRUE(RunLoopFor(outer));
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(worker.Wait(uitest::kBoundMs), win::WAIT_OBJECT_0);
}

TEST_F(QtDispatcherTest, PostsFromAnotherThreadAreAllDelivered) {
    win::CThread worker;
    const win::HWND target = window.Hwnd();
    ASSERT_TRUE(worker.Create([target] {
        for (int i = 0; i < 1000; ++i) win::PostMessage(target, kApp + 2, 0, 0);
        return win::DWORD{0};
    }));
    EXPECT_TRUE(uitest::ProcessEventsUntil([&] { return posts.load() == 1000; }));
    EXPECT_EQ(worker.Wait(uitest::kBoundMs), win::WAIT_OBJECT_0);
}

TEST_F(QtDispatcherTest, WindowTimersTickInTheQtLoop) {
    ASSERT_EQ(win::SetTimer(window.Hwnd(), 7, 10), 7u);
    EXPECT_TRUE(uitest::ProcessEventsUntil([&] { return ticks.load() >= 3; }));
    win::KillTimer(window.Hwnd(), 7);
}

TEST_F(QtDispatcherTest, ModalLoopEndsWhenAWorkerSendFinishesIt) {
    win::CThread worker;
    const win::HWND target = window.Hwnd();
    int depthInside = 0;
    QTimer::singleShot(0, &widget, [&] { depthInside = dispatcher.ModalDepth(); });
    ASSERT_TRUE(worker.Create([target] {
        win::Sleep(20);
        return static_cast<win::DWORD>(win::SendMessage(target, kApp + 20, 0, 0));
    }));
    EXPECT_TRUE(win::RunModalLoop([&] { return finished; }));
    EXPECT_EQ(depthInside, 1);
    EXPECT_EQ(dispatcher.ModalDepth(), 0);
    EXPECT_EQ(worker.Wait(uitest::kBoundMs), win::WAIT_OBJECT_0);
}

TEST_F(QtDispatcherTest, QuitEndsTheModalLoopFirstAndThenReachesTheQuitHandler) {
    std::vector<int> quitCodes;
    dispatcher.SetQuitHandler([&](int code) { quitCodes.push_back(code); });
    const win::HWND target = window.Hwnd();
    QTimer::singleShot(0, &widget, [target] { win::PostMessage(target, kApp + 4, 7, 0); });
    EXPECT_FALSE(win::RunModalLoop([] { return false; }));
    EXPECT_TRUE(quitCodes.empty()) << "the modal loop took the request first";
    EXPECT_TRUE(uitest::ProcessEventsUntil([&] { return !quitCodes.empty(); }));
    EXPECT_EQ(quitCodes, std::vector<int>{7});
}

TEST(QtDispatcherLifetimeTest, AfterUnbindingTheThreadKeepsItsMessagesForThePlainLoop) {
    int handled = 0;
    const win::HWND hwnd = win::CreateWindow(
        [&](win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
            if (m == kApp + 3) ++handled;
            return win::DefWindowProc(h, m, w, l);
        },
        "", 0);
    { CQtThreadDispatcher dispatcher; }
    ASSERT_TRUE(win::PostMessage(hwnd, kApp + 3, 0, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 0) << "no Qt pump any more";
    win::MSG msg;
    ASSERT_TRUE(win::PeekMessage(&msg, win::PM_REMOVE));
    win::DispatchMessage(&msg);
    EXPECT_EQ(handled, 1);
    win::DestroyWindow(hwnd);
}

}  // namespace

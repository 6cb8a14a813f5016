// A worker's stream of posts (progress counts, one per 16 KiB read) reaches
// the Qt UI thread in batches: the thread is woken and pumps about once a
// millisecond, not once per post, and no post is lost on the way.
#include <gtest/gtest.h>

#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Message.h"
#include "platform/Thread.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/QtThreadDispatcher.h"
#include "ui/WidgetWindow.h"

namespace {

constexpr win::UINT kCount = 0x8000 + 11;
constexpr int kPosts = 2000;

// Counts the pump requests (Qt events of a registered type) the dispatcher gets.
class PumpRequestCounter : public QObject {
public:
    int requests = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() >= QEvent::User) ++requests;
        return false;
    }
};

TEST(QtDispatcherGatherTest, AStreamOfPostsIsPumpedInBatchesAndEveryPostArrives) {
    CQtThreadDispatcher dispatcher;
    PumpRequestCounter counter;
    dispatcher.installEventFilter(&counter);
    QWidget widget;
    CWidgetWindow window(&widget);
    std::atomic<int> handled{0};
    std::atomic<win::WPARAM> last{0};
    window.SetHandler(
        [&](win::UINT message, win::WPARAM wParam, win::LPARAM) -> std::optional<win::LRESULT> {
            if (message == kCount) {
                ++handled;
                last = wParam;
            }
            return std::nullopt;
        });

    win::CThread worker;
    const win::HWND target = window.Hwnd();
    std::atomic<long long> streamMs{0};
    ASSERT_TRUE(worker.Create([target, &streamMs] {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 1; i <= kPosts; ++i) {
            win::PostMessage(target, kCount, static_cast<win::WPARAM>(i), 0);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        streamMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
        return win::DWORD{0};
    }));
    // A responsive loop, as the window's: it would pump every post at once.
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (handled == kPosts) loop.quit();
    });
    check.start(1);
    QTimer::singleShot(uitest::kBoundMs, &loop, &QEventLoop::quit);
    loop.exec();

    EXPECT_EQ(handled.load(), kPosts);
    EXPECT_EQ(last.load(), static_cast<win::WPARAM>(kPosts));  // in order, the last one last
    ASSERT_EQ(worker.Wait(uitest::kBoundMs), win::WAIT_OBJECT_0);
    // About one pump a millisecond (two where a wake came during a pump),
    // however long a loaded machine stretched the stream.
    EXPECT_LE(counter.requests, 2 * streamMs.load() + 20) << "one pump per post";
}

}  // namespace

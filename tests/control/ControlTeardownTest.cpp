// Destroying the control while its worker is busy: in a network read, in a
// question on its own thread, or stuck beyond the grace.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

#include "platform/Thread.h"
#include "platform/Window.h"
#include "tests/control/ControlRunFixture.h"

using kivcontrol::CControlRun;
using kivcontrol::ReleaseControl;

namespace {

using namespace ctltest;

// A one-way gate between threads that serves no messages while closed.
class Latch {
public:
    void Open() {
        std::lock_guard hold(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    bool Wait() {
        std::unique_lock hold(mutex_);
        return opened_.wait_for(hold, std::chrono::milliseconds(kBoundMs),
                                [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

class ControlTeardownTest : public ControlRunFixture {};

TEST_F(ControlTeardownTest, TeardownDuringABlockedReadEndsTheWorkerWithinTheGrace) {
    ServeStalledFile(std::string(300000, 'k'), 50000);
    timings.teardownGraceMs = 3000;
    timings.transfer.readTimeoutMs = 600000;  // only the cancel can end the read
    ChooseDownloads();
    Start(Page({{"/big.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] {
        const auto positions = fakes.dialogs.Log().Of(DLGM_CURRENTPOS);
        return !positions.empty() && positions.back().wParam != 0;
    }));

    // Deleted at once: the worker had ended before the grace ran out.
    EXPECT_TRUE(Release());
    EXPECT_EQ(fakes.dialogs.Log().StatusTexts().back(), "Download has been cancelled.")
        << "the worker's last send was served while teardown waited";
    EXPECT_EQ(fakes.boxes.Count(), 0u);
    EXPECT_EQ(fakes.browser.quits, 0);
}

struct OpenQuestion {
    const char* name;
    int folderAnswer;
    int boxAnswer;
    const char* windowTitle;  // of the question as it stands open
    std::size_t boxes;
};

bool ThreadHasWindowTitled(win::DWORD thread, const std::string& title) {
    bool found = false;
    win::EnumThreadWindows(thread, [&](win::HWND window) {
        found = found || win::GetWindowTextString(window) == title;
        return win::TRUE;
    });
    return found;
}

void PrintTo(const OpenQuestion& question, std::ostream* out) {
    *out << question.name;
}

class ControlTeardownQuestionTest : public ControlTeardownTest,
                                    public ::testing::WithParamInterface<OpenQuestion> {};

// A question modal on the worker's thread would hold the worker for ever;
// teardown closes it, and the worker's send that follows is served by
// teardown's wait instead of deadlocking against it.
TEST_P(ControlTeardownQuestionTest, TeardownClosesTheWorkersQuestionAndServesItsSends) {
    fakes.folders.Script({GetParam().folderAnswer, {}});
    fakes.boxes.Script({GetParam().boxAnswer});
    Start(Page({{"/a.bin", ""}}));
    const win::DWORD worker = control->Run().WorkerThreadId();
    ASSERT_TRUE(PumpUntil([&] { return ThreadHasWindowTitled(worker, GetParam().windowTitle); }));

    EXPECT_TRUE(Release());
    EXPECT_EQ(fakes.dialogs.Log().StatusTexts().back(), "Download has been cancelled.");
    ASSERT_EQ(fakes.boxes.Count(), GetParam().boxes);
    for (const ShownBox& box : fakes.boxes.Boxes()) {
        EXPECT_EQ(box.text, "Cancel file download?");
        EXPECT_EQ(box.result, IDDISMISSED);
        EXPECT_NE(box.thread, win::GetCurrentThreadId());
    }
    EXPECT_EQ(fakes.browser.quits, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Questions, ControlTeardownQuestionTest,
    ::testing::Values(OpenQuestion{"FolderDialog", kHoldOpen, IDOK, "Browse for Folder", 0},
                      OpenQuestion{"CancelQuestion", IDCANCEL, kHoldOpen, "Kiv Downloader", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlTeardownTest, WorkerStuckBeyondTheGraceKeepsTheControlUntilItEnds) {
    timings.teardownGraceMs = 100;
    Latch runKnown;
    Latch browsing;
    Latch proceed;
    std::atomic<CControlRun*> run{nullptr};
    // The worker holds the read gate as a read does and blocks where no
    // cancel reaches it.
    fakes.folders.OnBrowse([&] {
        runKnown.Wait();
        run.load()->TryTakeReadGate();
        browsing.Open();
        proceed.Wait();
        run.load()->ReleaseReadGate();
    });
    Start(Page({{"/a.bin", ""}}));
    const win::HWND window = control->Window();
    run = &control->Run();
    runKnown.Open();
    ASSERT_TRUE(browsing.Wait());

    auto released = std::make_shared<std::atomic<bool>>(false);
    auto releasedOn = std::make_shared<std::atomic<win::DWORD>>(0);
    ReleaseControl(std::move(control), [released, releasedOn] {
        *releasedOn = win::GetCurrentThreadId();
        *released = true;
    });
    EXPECT_FALSE(*released) << "the worker still runs";
    EXPECT_FALSE(win::IsWindow(window));
    EXPECT_EQ(fakes.browser.connected, 0);

    proceed.Open();
    ASSERT_TRUE(PumpUntil([&] { return released->load(); }));
    EXPECT_NE(releasedOn->load(), win::GetCurrentThreadId()) << "released by the worker";
}

}  // namespace

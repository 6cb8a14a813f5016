#include <gtest/gtest.h>

#include <future>

#include "control/PageIntegration.h"
#include "platform/Language.h"
#include "tests/control/PageTestContext.h"

namespace {

using pagetest::FakePageContext;
using pagetest::PumpUntil;
using pagetest::TitledWindows;
using pagetest::WindowsThread;

const std::string kLeaveText =
    "You have attempted to go to another page or close the page during the download. \n"
    "If you continue, processing in Kiv Downloader will be terminated.";

// The control's window thread is the test's thread: the dialog and the
// control's boxes live here, the worker's windows on a thread of their own.
class PageLeaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::OverrideLanguage(win::Language::English);
        // The dialog carries the caption too, and must survive the box sweep.
        dialog_ = win::CreateWindow(
            [this](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                if (message == DLGM_CANCELSIGNAL) {
                    ++cancelSignals_;
                    chunkLockHeldAtCancel_ = pagetest::HeldElsewhere(control_.chunkLock);
                }
                return win::DefWindowProc(hwnd, message, wParam, lParam);
            },
            "Kiv Downloader", win::WS_VISIBLE);
        control_.dialogWindow = dialog_;
        control_.workerThreadId = worker_.ThreadId();
    }
    void TearDown() override {
        if (win::IsWindow(dialog_)) win::DestroyWindow(dialog_);
        win::ResetLanguage();
    }
    void ProtectATransfer() {
        control_.transferActive = true;
        control_.destinationFolder = "Z:\\tmp\\dl";
    }
    bool AllGone(const TitledWindows& windows, std::initializer_list<std::size_t> indexes) {
        return PumpUntil([&] {
            for (std::size_t index : indexes) {
                if (windows.Alive(index)) return false;
            }
            return true;
        });
    }

    FakePageContext control_;
    win::HWND dialog_ = nullptr;
    int cancelSignals_ = 0;
    bool chunkLockHeldAtCancel_ = false;
    TitledWindows ownBoxes_{{"Kiv Downloader", "Kiv Downloader (2)"}};
    WindowsThread worker_{{"Kiv Downloader", "Browse for Folder", "Browse for Folder"}};
};

TEST_F(PageLeaveTest, NothingToProtectLetsThePageGoAndCancelsTheRun) {
    control_.destinationFolder.clear();  // the folder dialog is still open
    OnBeforeUnload(control_);

    EXPECT_TRUE(control_.pageClosing);
    EXPECT_EQ(cancelSignals_, 1);
    EXPECT_FALSE(control_.leavePromptPending);
    EXPECT_TRUE(control_.browser.leaveTexts.empty());
    EXPECT_EQ(control_.browser.calls.back(), "foreground");
    EXPECT_EQ(ownBoxes_.Dismissals(0), 1);
    EXPECT_TRUE(AllGone(ownBoxes_, {0}));
    EXPECT_TRUE(ownBoxes_.Alive(1));
    EXPECT_TRUE(win::IsWindow(dialog_));
    const TitledWindows& worker = worker_.Windows();
    EXPECT_EQ(worker.Dismissals(0), 1);
    EXPECT_TRUE(AllGone(worker, {0, 1}));
    EXPECT_TRUE(worker.Alive(2));  // only the first folder dialog is closed
}

TEST_F(PageLeaveTest, AFailedOrFinishedRunIsNotProtectedEither) {
    for (int variant = 0; variant < 2; ++variant) {
        FakePageContext control;
        control.transferActive = variant == 0;
        control.error.errorCode = variant == 0 ? 300 : 0;
        OnBeforeUnload(control);
        EXPECT_TRUE(control.pageClosing) << variant;
        EXPECT_TRUE(control.browser.leaveTexts.empty()) << variant;
    }
}

TEST_F(PageLeaveTest, WithTheAssistantItsEndIsAwaitedAndTheWorkerIsLeftAlone) {
    control_.hasAssistant = true;
    OnBeforeUnload(control_);
    EXPECT_EQ(control_.assistantWaits, std::vector<std::uint32_t>{10000});
    EXPECT_EQ(cancelSignals_, 1);
    EXPECT_TRUE(AllGone(ownBoxes_, {0}));
    const TitledWindows& worker = worker_.Windows();
    EXPECT_EQ(worker.Dismissals(0), 0);
    EXPECT_TRUE(worker.Alive(0));
    EXPECT_TRUE(worker.Alive(1));
}

TEST_F(PageLeaveTest, ARunningTransferMakesTheBrowserAskWithOurText) {
    ProtectATransfer();
    OnBeforeUnload(control_);
    EXPECT_EQ(control_.browser.leaveTexts, std::vector<std::string>{kLeaveText});
    EXPECT_TRUE(control_.leavePromptPending);
    EXPECT_FALSE(control_.pageClosing);
    EXPECT_EQ(cancelSignals_, 0);
    EXPECT_EQ(ownBoxes_.Dismissals(0), 0);
}

TEST_F(PageLeaveTest, TheLeaveTextNeedsAVisibleDialog) {
    ProtectATransfer();
    win::ShowWindow(dialog_, win::SW_HIDE);
    OnBeforeUnload(control_);
    EXPECT_TRUE(control_.browser.leaveTexts.empty());
    EXPECT_FALSE(control_.pageClosing);
}

TEST_F(PageLeaveTest, AnInertControlIgnoresThePageEvents) {
    control_.aborted = true;
    OnBeforeUnload(control_);
    OnUnload(control_);
    EXPECT_FALSE(control_.pageClosing);
    EXPECT_EQ(cancelSignals_, 0);
    EXPECT_EQ(control_.instanceCloses, 0);
    EXPECT_EQ(control_.pauseReleases, 0);
    EXPECT_EQ(ownBoxes_.Dismissals(0), 0);
}

TEST_F(PageLeaveTest, UnloadCancelsBetweenChunksAndLetsTheNextControlRun) {
    bool chunkLockHeldAtClose = false;
    control_.onInstanceClose = [&] {
        chunkLockHeldAtClose = pagetest::HeldElsewhere(control_.chunkLock);
    };
    OnUnload(control_);
    EXPECT_EQ(control_.pauseReleases, 1);
    EXPECT_EQ(cancelSignals_, 1);
    EXPECT_TRUE(chunkLockHeldAtCancel_);
    EXPECT_EQ(control_.instanceCloses, 1);
    EXPECT_TRUE(chunkLockHeldAtClose);
    EXPECT_TRUE(AllGone(ownBoxes_, {0}));
    EXPECT_EQ(worker_.Windows().Dismissals(0), 0);  // the worker's boxes are the dialog's affair
}

TEST_F(PageLeaveTest, UnloadWaitsForTheChunkInProgress) {
    // OnUnload runs on another thread here, which must not wait for ours.
    control_.dialogWindow = nullptr;
    control_.dialogThreadId = 0;
    std::unique_lock<std::mutex> chunk(control_.chunkLock);
    auto unload = std::async(std::launch::async, [this] { OnUnload(control_); });
    EXPECT_EQ(unload.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_EQ(control_.instanceCloses, 0);
    chunk.unlock();
    unload.get();
    EXPECT_EQ(control_.instanceCloses, 1);
}

TEST_F(PageLeaveTest, CloseMessageBoxesTouchesOnlyThatThread) {
    CloseMessageBoxes(control_, worker_.ThreadId());
    EXPECT_TRUE(AllGone(worker_.Windows(), {0}));
    EXPECT_EQ(ownBoxes_.Dismissals(0), 0);
    EXPECT_TRUE(ownBoxes_.Alive(0));
    EXPECT_TRUE(worker_.Windows().Alive(1));
}

TEST_F(PageLeaveTest, FolderDialogStaysWithoutTheDownloadDialog) {
    win::DestroyWindow(dialog_);
    CloseFolderDialog(control_);
    EXPECT_TRUE(worker_.Windows().Alive(1));
}

}  // namespace

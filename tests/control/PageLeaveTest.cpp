#include <gtest/gtest.h>

#include <future>

#include "control/PageIntegration.h"
#include "platform/Language.h"
#include "tests/control/PageTestContext.h"

using kivcontrol::OnBeforeUnload;
using kivcontrol::OnUnload;

namespace {

using pagetest::Argv;
using pagetest::FakePageContext;
using pagetest::WindowsThread;

// The control's window thread holds the dialog (titled with the caption as
// well, which must survive the sweep), a box and a window of another title;
// the worker a box and two folder dialogs.
class PageLeaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::OverrideLanguage(win::Language::English);
        control_.dialogWindow = ui_.Window(0);
        control_.dialogThreadId = ui_.ThreadId();
        control_.workerThreadId = worker_.ThreadId();
    }
    void TearDown() override { win::ResetLanguage(); }

    FakePageContext control_;
    WindowsThread ui_{{"Kiv Downloader", "Kiv Downloader", "Kiv Downloader (2)"}};
    WindowsThread worker_{{"Kiv Downloader", "Browse for Folder", "Browse for Folder"}};
};

TEST_F(PageLeaveTest, NothingToProtectClosesEverythingAndCancelsTheRun) {
    control_.destinationFolder.clear();  // the folder dialog is still open
    OnBeforeUnload(control_);
    EXPECT_TRUE(control_.pageClosing);
    EXPECT_FALSE(control_.leavePromptPending);
    EXPECT_TRUE(control_.browser.leaveTexts.empty());
    EXPECT_EQ(control_.browser.calls, Argv{"foreground"});
    EXPECT_EQ(ui_.Count(0, DLGM_CANCELSIGNAL), 1);
    EXPECT_EQ(ui_.Count(0, MBM_DISMISS), 0);
    EXPECT_EQ(ui_.Count(1, MBM_DISMISS), 1);
    EXPECT_EQ(worker_.Count(0, MBM_DISMISS), 1);
    EXPECT_TRUE(ui_.GoneSoon(1) && worker_.GoneSoon(0) && worker_.GoneSoon(1));
    EXPECT_TRUE(ui_.Alive(0) && ui_.Alive(2) && worker_.Alive(2));
}

TEST_F(PageLeaveTest, AFailedOrFinishedRunIsNotProtected) {
    for (bool failed : {true, false}) {
        FakePageContext control;
        control.transferActive = failed;
        control.error.errorCode = failed ? 300 : 0;
        OnBeforeUnload(control);
        EXPECT_TRUE(control.pageClosing && control.browser.leaveTexts.empty()) << failed;
    }
}

TEST_F(PageLeaveTest, WithTheAssistantItsEndIsAwaitedAndTheWorkerLeftAlone) {
    control_.hasAssistant = true;
    OnBeforeUnload(control_);
    EXPECT_EQ(control_.assistantWaits, std::vector<std::uint32_t>{10000});
    EXPECT_TRUE(ui_.GoneSoon(1));
    EXPECT_EQ(worker_.Count(0, MBM_DISMISS), 0);
    EXPECT_TRUE(worker_.Alive(0) && worker_.Alive(1));
}

TEST_F(PageLeaveTest, ARunningTransferMakesTheBrowserAskWithOurText) {
    control_.transferActive = true;
    OnBeforeUnload(control_);
    EXPECT_EQ(
        control_.browser.leaveTexts,
        Argv{"You have attempted to go to another page or close the page during the "
             "download. \nIf you continue, processing in Kiv Downloader will be terminated."});
    EXPECT_TRUE(control_.leavePromptPending);
    EXPECT_FALSE(control_.pageClosing);
    EXPECT_EQ(ui_.Count(0, DLGM_CANCELSIGNAL) + ui_.Count(1, MBM_DISMISS), 0);

    win::ShowWindow(ui_.Window(0), win::SW_HIDE);  // no text without a visible dialog
    OnBeforeUnload(control_);
    EXPECT_EQ(control_.browser.leaveTexts.size(), 1u);
}

TEST_F(PageLeaveTest, AnInertControlIgnoresThePageEvents) {
    control_.aborted = true;
    OnBeforeUnload(control_);
    OnUnload(control_);
    EXPECT_FALSE(control_.pageClosing);
    EXPECT_TRUE(control_.log.empty());
    EXPECT_EQ(control_.pauseReleases + ui_.Count(1, MBM_DISMISS), 0);
}

TEST_F(PageLeaveTest, UnloadCancelsAndLetsTheNextControlRunBetweenChunks) {
    OnUnload(control_);
    EXPECT_EQ(control_.pauseReleases, 1);
    EXPECT_EQ(control_.log, (Argv{"cancel (chunk held)", "close mutex (chunk held)"}));
    EXPECT_EQ(ui_.Count(0, DLGM_CANCELSIGNAL), 1);
    EXPECT_TRUE(ui_.GoneSoon(1));
    EXPECT_EQ(worker_.Count(0, MBM_DISMISS), 0);

    // A chunk in progress on another thread holds the unload back.
    std::unique_lock<std::mutex> chunk(control_.chunkLock);
    auto unload = std::async(std::launch::async, [this] { OnUnload(control_); });
    EXPECT_EQ(unload.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_EQ(control_.instanceCloses, 1);
    chunk.unlock();
    unload.get();
    EXPECT_EQ(control_.instanceCloses, 2);
}

}  // namespace

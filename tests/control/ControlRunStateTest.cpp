// The run state shared by the control and its worker: message boxes, the
// cancel check with its pause, the read gate and the ways to the dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "control/ControlRun.h"
#include "platform/Event.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/control/ControlHarness.h"

using kivcontrol::CControlRun;
using kivcontrol::ControlServices;
using kivcontrol::ControlTimings;

namespace {

using namespace ctltest;

class ControlRunStateTest : public ::testing::Test {
protected:
    ControlRunStateTest() {
        win::OverrideLanguage(win::Language::English);
        parent_ = win::CreateWindow(win::DefWindowProc, "page", win::WS_VISIBLE);
    }
    ~ControlRunStateTest() override {
        run_.reset();
        win::DestroyWindow(parent_);
        win::ResetLanguage();
    }

    CControlRun& Run() {
        if (!run_) {
            run_ = std::make_unique<CControlRun>(services_, ControlTimings{});
            // The event is named: a run of an earlier test may have left it set.
            run_->ResetCancel();
        }
        return *run_;
    }
    // A hidden dialog in a visible page, as the factory makes it.
    win::HWND AttachDialog() {
        Run().AttachDialog(fakes_.dialogs.CreateDownloadDialog(parent_));
        return Run().DialogWindow();
    }
    // Runs `body` on a thread of its own and waits for it.
    static void OnOtherThread(std::function<void()> body) {
        win::CThread thread;
        ASSERT_TRUE(thread.Create([body] {
            body();
            return win::DWORD{0};
        }));
        ASSERT_EQ(thread.Wait(kBoundMs), win::WAIT_OBJECT_0);
    }

    FakeServices fakes_;
    ControlServices services_ = fakes_.Services();
    win::HWND parent_ = nullptr;
    std::unique_ptr<CControlRun> run_;
};

TEST_F(ControlRunStateTest, MessageBoxesGetAnIconAndTheBestOwnerThereIs) {
    Run().SetCaption("Title");
    Run().ShowMessage("plain", 0);
    Run().ShowMessage("question", MB_YESNO | MB_ICONEXCLAMATION);
    Run().ShowMessageId(245, MB_ICONINFORMATION);
    const win::HWND dialog = AttachDialog();
    ASSERT_FALSE(win::IsWindowVisible(dialog));
    Run().ShowMessage("over the dialog", MB_OK);
    EXPECT_TRUE(win::IsWindowVisible(dialog)) << "the dialog is brought back first";

    const std::vector<ShownBox> boxes = fakes_.boxes.Boxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].style, MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[0].owner, fakes_.browser.Window());
    EXPECT_EQ(boxes[0].caption, "Title");
    EXPECT_EQ(boxes[1].style, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[2].text, "The download completed successfully.");
    EXPECT_EQ(boxes[2].style, MB_ICONINFORMATION);
    EXPECT_EQ(boxes[3].owner, dialog);
}

TEST_F(ControlRunStateTest, MessageBoxWithoutDialogOrBrowserHasNoOwner) {
    services_.browser = nullptr;
    Run().ShowMessage("alone", 0);
    ASSERT_EQ(fakes_.boxes.Count(), 1u);
    EXPECT_EQ(fakes_.boxes.Boxes()[0].owner, nullptr);
}

TEST_F(ControlRunStateTest, CancelledOnTheEventOrWhenTheDialogIsGone) {
    EXPECT_TRUE(Run().IsCancelled()) << "no dialog yet";
    AttachDialog();
    EXPECT_FALSE(Run().IsCancelled());
    Run().SignalCancel();
    EXPECT_TRUE(Run().IsCancelled());
    Run().ResetCancel();
    EXPECT_FALSE(Run().IsCancelled());
    Run().CloseDialog();
    EXPECT_TRUE(Run().IsCancelled());
}

TEST_F(ControlRunStateTest, CancelCheckWaitsForTheCancelQuestionAndRestartsTheMeter) {
    AttachDialog();
    auto now = std::make_shared<std::atomic<std::int64_t>>(0);
    Run().Meter().SetClock([now] { return now->load(); });
    Run().Meter().RateMeter(1000);
    *now = 3000;  // milliseconds
    ASSERT_EQ(Run().Meter().RateMeter(2000), 1000u);

    Run().IsCancelled();  // nothing to wait for: the meter goes on
    EXPECT_EQ(Run().Meter().RateMeter(1), 1000u);

    // The dialog (this thread) holds the pause mutex while it asks.
    ASSERT_EQ(win::WaitForSingleObject(Run().PauseMutex(), 0), win::WAIT_OBJECT_0);
    std::atomic<bool> checked{false};
    win::CThread worker;
    ASSERT_TRUE(worker.Create([&] {
        Run().IsCancelled();
        checked = true;
        return win::DWORD{0};
    }));
    EXPECT_EQ(worker.Wait(50), win::WAIT_TIMEOUT) << "the check waits for the answer";
    EXPECT_FALSE(checked);
    win::ReleaseMutex(Run().PauseMutex());
    ASSERT_EQ(worker.Wait(kBoundMs), win::WAIT_OBJECT_0);
    EXPECT_EQ(Run().Meter().RateMeter(500), 0u) << "the time spent asking is no transfer time";
}

TEST_F(ControlRunStateTest, TeardownGetsTheReadGateOnlyWhenNoReadHoldsItAndThenKeepsIt) {
    win::CEvent reading;
    win::CEvent done;
    ASSERT_TRUE(reading.Create(true, false));
    ASSERT_TRUE(done.Create(true, false));
    win::CThread reader;
    ASSERT_TRUE(reader.Create([&] {
        Run().TryTakeReadGate();
        reading.Set();
        done.Wait(kBoundMs);
        Run().ReleaseReadGate();
        return win::DWORD{0};
    }));
    ASSERT_EQ(reading.Wait(kBoundMs), win::WAIT_OBJECT_0);
    EXPECT_FALSE(Run().TakeReadGateForTeardown()) << "a read is in progress";
    done.Set();
    ASSERT_EQ(reader.Wait(kBoundMs), win::WAIT_OBJECT_0);

    ASSERT_TRUE(Run().TakeReadGateForTeardown());
    bool taken = true;
    OnOtherThread([&] { taken = Run().TryTakeReadGate(); });
    EXPECT_FALSE(taken) << "no read starts after teardown took the gate";
}

TEST_F(ControlRunStateTest, PostsNeedAVisibleDialogAndSendsALiveOne) {
    const win::HWND dialog = AttachDialog();
    EXPECT_FALSE(Run().PostToDialog(DLGM_CURRENTBUSY, 0, -1)) << "hidden";
    EXPECT_TRUE(Run().PostToDialogWindow(DLGM_CURRENTPOS, 1, 0));
    win::ShowWindow(dialog, win::SW_SHOW);
    EXPECT_TRUE(Run().PostToDialog(DLGM_CURRENTBUSY, 0, -1));
    EXPECT_EQ(Run().SendToDialog(DLGM_SHOWLINK, 0, 0), 0);  // the fake answers 0, but it arrives
    PumpPending();
    EXPECT_EQ(fakes_.dialogs.Log().All().size(), 3u);

    Run().CloseDialog();
    EXPECT_FALSE(win::IsWindow(dialog));
    EXPECT_FALSE(Run().PostToDialog(DLGM_CURRENTBUSY, 0, -1));
    EXPECT_FALSE(Run().PostToDialogWindow(DLGM_CURRENTPOS, 1, 0));
    Run().SendToDialog(DLGM_SHOWLINK, 0, 0);
    EXPECT_EQ(fakes_.dialogs.Log().All().size(), 3u);
}

}  // namespace

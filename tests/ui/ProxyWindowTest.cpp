#include <gtest/gtest.h>

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <atomic>

#include "control/ControlServices.h"
#include "platform/Event.h"
#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/ui/UiTestSupport.h"
#include "transfer/ControlMessages.h"
#include "ui/ProxyWindow.h"
#include "ui/QtThreadDispatcher.h"

namespace {

constexpr const char* kCaption = "Kiv Downloader";

// What both sides of one question share; the UI side's lambda holds it too.
struct Question {
    std::atomic<win::HWND> proxy{nullptr};
    std::atomic<int> workerAnswer{1000};
    std::atomic<int> execResult{1000};
    std::atomic<bool> shown{false};
    QPointer<QDialog> dialog;
    // Runs on the UI thread inside the dialog's own loop once it is shown.
    std::function<void()> onShown;
    win::CEvent go;
};

class ProxyWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(question->go.Create(true, true)); }
    void TearDown() override {
        question->go.Set();
        if (worker.Handle() != nullptr) worker.Wait(uitest::kBoundMs);
        uitest::ProcessEventsUntil([&] { return question->dialog == nullptr; }, 1000);
    }
    // The worker: a proxy of its own thread, then the question through the UI thread.
    void StartWorker(std::optional<int> closeResult = std::nullopt) {
        std::shared_ptr<Question> shared = question;
        QObject* ui = &uiContext;
        ASSERT_TRUE(worker.Create([shared, ui, closeResult] {
            CProxyWindow proxy(kCaption);
            if (closeResult) proxy.SetCloseResult(*closeResult);
            shared->proxy = proxy.Hwnd();
            win::WaitForSingleObject(shared->go.Handle(), uitest::kBoundMs);
            shared->workerAnswer = proxy.RunModal(ui, [shared](CProxySession& session) {
                QDialog dialog;
                dialog.setWindowTitle(kCaption);
                session.Attach(&dialog);
                shared->dialog = &dialog;
                QTimer::singleShot(0, &dialog, [shared] {
                    shared->shown = true;
                    if (shared->onShown) shared->onShown();
                });
                // Bounded: a fault fails the test instead of hanging it.
                QTimer::singleShot(uitest::kBoundMs, &dialog, [&dialog] { dialog.done(999); });
                const int result = dialog.exec();
                shared->execResult = result;
                return result;
            });
            return win::DWORD{0};
        }));
    }
    // CloseMessageBoxes' view: the worker thread's top-level windows titled kCaption.
    std::vector<win::HWND> BoxesOfTheWorker() {
        std::vector<win::HWND> found;
        win::EnumThreadWindows(worker.Id(), [&](win::HWND hwnd) {
            if (win::GetWindowTextString(hwnd) == kCaption) found.push_back(hwnd);
            return win::TRUE;
        });
        return found;
    }
    bool WorkerEnded() { return worker.Wait(0) == win::WAIT_OBJECT_0; }
    bool AllEnded() { return WorkerEnded() && question->execResult.load() != 1000; }

    CQtThreadDispatcher dispatcher;
    QObject uiContext;
    std::shared_ptr<Question> question = std::make_shared<Question>();
    win::CThread worker;
};

TEST_F(ProxyWindowTest, EnumerationFindsTheBoxOnTheWorkerAndDismissEndsItWithMinusOne) {
    std::vector<win::HWND> boxes;
    question->onShown = [&] {
        boxes = BoxesOfTheWorker();
        for (win::HWND box : boxes) {
            win::SendMessage(box, MBM_DISMISS, 0, 0);
            win::PostMessage(box, win::WM_CLOSE, 0, 0);
        }
    };
    StartWorker();
    ASSERT_TRUE(uitest::ProcessEventsUntil([&] { return AllEnded(); }));
    EXPECT_EQ(boxes, std::vector<win::HWND>{question->proxy.load()});
    EXPECT_EQ(question->workerAnswer.load(), IDDISMISSED);
    EXPECT_EQ(question->execResult.load(), IDDISMISSED);
}

// Teardown: the UI thread dismisses and then waits for the worker without
// running Qt's loop; the worker must not wait for the widget to close.
TEST_F(ProxyWindowTest, DismissDoesNotWaitForABlockedUiThread) {
    win::DWORD waited = 0;
    question->onShown = [&] {
        win::SendMessage(question->proxy, MBM_DISMISS, 0, 0);
        waited = worker.Wait(uitest::kBoundMs);
    };
    StartWorker();
    ASSERT_TRUE(uitest::ProcessEventsUntil([&] { return AllEnded(); }));
    EXPECT_EQ(waited, win::WAIT_OBJECT_0);
    EXPECT_EQ(question->workerAnswer.load(), IDDISMISSED);
    EXPECT_EQ(question->execResult.load(), IDDISMISSED) << "the widget closed afterwards";
}

TEST_F(ProxyWindowTest, TheAnswerOfTheWidgetReachesTheWorker) {
    question->onShown = [&] { question->dialog->done(IDYES); };
    StartWorker();
    ASSERT_TRUE(uitest::ProcessEventsUntil([&] { return AllEnded(); }));
    EXPECT_EQ(question->workerAnswer.load(), IDYES);
    EXPECT_TRUE(BoxesOfTheWorker().empty()) << "the proxy went with the question";
}

TEST_F(ProxyWindowTest, CloseWithACloseResultEndsTheWaitAndClosesTheWidget) {
    win::DWORD waited = 0;
    question->onShown = [&] {
        win::SendMessage(question->proxy, win::WM_CLOSE, 0, 0);
        waited = worker.Wait(uitest::kBoundMs);
    };
    StartWorker(IDCANCEL);
    ASSERT_TRUE(uitest::ProcessEventsUntil([&] { return AllEnded(); }));
    EXPECT_EQ(waited, win::WAIT_OBJECT_0);
    EXPECT_EQ(question->workerAnswer.load(), IDCANCEL);
    EXPECT_EQ(question->execResult.load(), QDialog::Rejected);
}

TEST_F(ProxyWindowTest, ADismissalBeforeTheQuestionAnswersItWithoutShowingAnything) {
    question->go.Reset();
    StartWorker();
    ASSERT_TRUE(uitest::ProcessEventsUntil([&] { return question->proxy.load() != nullptr; }));
    win::SendMessage(question->proxy, MBM_DISMISS, 0, 0);
    question->go.Set();
    EXPECT_EQ(worker.Wait(uitest::kBoundMs), win::WAIT_OBJECT_0);
    EXPECT_EQ(question->workerAnswer.load(), IDDISMISSED);
    QCoreApplication::processEvents();
    EXPECT_FALSE(question->shown.load());
}

}  // namespace

// The proxy-password service: asked for by the control's thread or by
// another thread, answered on the UI thread.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <atomic>
#include <thread>

#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Window.h"
#include "tests/ui/DialogTestSupport.h"
#include "ui/ProxyCredentialDialog.h"
#include "ui/QtProxyCredentialPrompt.h"
#include "ui/QtThreadDispatcher.h"

namespace {

class ProxyPromptServiceTest : public ::testing::Test {
protected:
    ProxyPromptServiceTest() { win::OverrideLanguage(win::Language::English); }
    ~ProxyPromptServiceTest() override { win::ResetLanguage(); }

    // Asks from a worker thread while the UI thread's loop runs (at most 20 s).
    bool AskFromWorker() {
        std::atomic<bool> finished = false;
        bool answer = false;
        std::thread worker([&] {
            workerId = win::GetCurrentThreadId();
            answer = prompt.AskProxyCredentials(nullptr, user, password);
            finished = true;
        });
        QElapsedTimer clock;
        clock.start();
        while (!finished && clock.elapsed() < 20000) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        worker.join();
        return answer;
    }

    QObject uiContext;
    CQtThreadDispatcher dispatcher;
    CQtProxyCredentialPrompt prompt{&uiContext};
    std::atomic<win::DWORD> workerId = 0;
    std::string user;
    std::string password;
};

TEST_F(ProxyPromptServiceTest, ForAWorkerTheAnswerComesBack) {
    uitest::ModalWatch watch([](QWidget* modal) {
        auto* dialog = qobject_cast<CProxyCredentialDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->UserNameEdit()->setText("proxyuser");
        dialog->PasswordEdit()->setText("pa ss");
        dialog->OkButton()->click();
    });
    EXPECT_TRUE(AskFromWorker());
    EXPECT_EQ(user, "proxyuser");
    EXPECT_EQ(password, "pa ss");
}

TEST_F(ProxyPromptServiceTest, ClosingTheWorkersQuestionRefuses) {
    uitest::ModalWatch watch([this](QWidget*) {
        win::HWND proxy = nullptr;
        win::EnumThreadWindows(workerId, [&](win::HWND hwnd) {
            proxy = hwnd;
            return win::FALSE;
        });
        ASSERT_NE(proxy, nullptr);
        EXPECT_EQ(win::GetWindowTextString(proxy), "Proxy Authentication");
        win::SendMessage(proxy, win::WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(AskFromWorker());
    EXPECT_EQ(user, "");
}

}  // namespace

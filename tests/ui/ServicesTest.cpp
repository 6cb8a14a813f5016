// The control's services on Qt: boxes and the folder dialog asked for by the
// UI thread and by a worker thread (shown on its behalf, findable and
// closable among the worker's windows), and the dialog factory.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QPointer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "env/ItemIDList.h"
#include "platform/Language.h"
#include "platform/LastError.h"
#include "platform/Message.h"
#include "platform/NativePath.h"
#include "platform/Thread.h"
#include "platform/Window.h"
#include "tests/ui/DialogTestSupport.h"
#include "transfer/ControlMessages.h"
#include "ui/ButtonEx.h"
#include "ui/FolderBrowseWindow.h"
#include "ui/MyMsgBox.h"
#include "ui/QtDialogFactory.h"
#include "ui/QtFolderBrowser.h"
#include "ui/QtMessageBoxService.h"
#include "ui/QtThreadDispatcher.h"

using kivcontrol::IDownloadDialog;

namespace {

constexpr const char* kCaption = "Kiv Downloader";

// The first top-level window of `threadId` titled `title`.
win::HWND FindThreadWindow(win::DWORD threadId, const std::string& title) {
    win::HWND found = nullptr;
    win::EnumThreadWindows(threadId, [&](win::HWND hwnd) {
        if (win::GetWindowTextString(hwnd) == title) {
            found = hwnd;
            return win::FALSE;
        }
        return win::TRUE;
    });
    return found;
}

class ServicesTest : public ::testing::Test {
protected:
    ServicesTest() { win::OverrideLanguage(win::Language::English); }
    ~ServicesTest() override { win::ResetLanguage(); }

    // Runs `ask` on a worker thread and keeps the UI thread's loop going
    // until it has answered (at most 20 s).
    int AskFromWorker(const std::function<int()>& ask) {
        std::atomic<bool> finished = false;
        int answer = 0;
        std::thread worker([&] {
            workerId = win::GetCurrentThreadId();
            answer = ask();
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
    CQtMessageBoxService boxes{&uiContext};
    std::atomic<win::DWORD> workerId = 0;
};

TEST_F(ServicesTest, BoxOnTheUiThreadIsAWindowOfThatThread) {
    uitest::ModalWatch watch([](QWidget* modal) {
        auto* box = qobject_cast<CMyMsgBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(FindThreadWindow(win::GetCurrentThreadId(), kCaption), box->Hwnd());
        box->Button(0)->click();
    });
    EXPECT_EQ(boxes.ShowMessageBox(nullptr, "Resume?", kCaption, MB_YESNOCANCEL), IDYES);
    EXPECT_TRUE(watch.Seen());
}

TEST_F(ServicesTest, WorkersBoxIsShownForItAndAnswered) {
    uitest::ModalWatch watch([this](QWidget* modal) {
        auto* box = qobject_cast<CMyMsgBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), kCaption);
        EXPECT_NE(FindThreadWindow(workerId, kCaption), nullptr);
        EXPECT_EQ(FindThreadWindow(win::GetCurrentThreadId(), kCaption), nullptr);
        box->Button(1)->click();
    });
    const int answer = AskFromWorker(
        [this] { return boxes.ShowMessageBox(nullptr, "Cancel?", kCaption, MB_YESNO); });
    EXPECT_EQ(answer, IDNO);
    EXPECT_TRUE(watch.Seen());
}

TEST_F(ServicesTest, WorkersBoxClosedByTheControlAnswersMinusOne) {
    QPointer<QWidget> shown;
    uitest::ModalWatch watch([this, &shown](QWidget* modal) {
        shown = modal;
        const win::HWND proxy = FindThreadWindow(workerId, kCaption);
        ASSERT_NE(proxy, nullptr);
        // What CloseMessageBoxes does for each box of the worker's thread.
        win::SendMessage(proxy, MBM_DISMISS, 0, 0);
        win::PostMessage(proxy, win::WM_CLOSE, 0, 0);
    });
    const int answer = AskFromWorker(
        [this] { return boxes.ShowMessageBox(nullptr, "Resume?", kCaption, MB_YESNO); });
    EXPECT_EQ(answer, IDDISMISSED);
    QElapsedTimer clock;
    clock.start();
    while (shown && shown->isVisible() && clock.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(!shown || !shown->isVisible());
}

// The caption comes from the page: it is shown as it is, never as markup or a
// link a click would open.
TEST_F(ServicesTest, StandardBoxAnswersWithTheButtonsCodeAndShowsPageTextAsPlainText) {
    const std::string caption =
        "<h1 style=color:red>SAFE: click Retry</h1><a href=file:///etc/passwd>x</a>";
    uitest::ModalWatch watch([&caption](QWidget* modal) {
        for (const QLabel* label : modal->findChildren<QLabel*>()) {
            if (!label->text().contains("SAFE")) continue;
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
            EXPECT_FALSE(label->textInteractionFlags() & Qt::LinksAccessibleByMouse);
            EXPECT_TRUE(label->text().contains(QString::fromStdString(caption)));
        }
        auto buttons = modal->findChildren<QPushButton*>();
        for (QPushButton* button : buttons) {
            if (button->text() == "&Retry") {
                button->click();
            }
        }
    });
    EXPECT_EQ(boxes.ShowStandardMessageBox("Already running: " + caption, caption,
                                           MB_RETRYCANCEL | 0x30),
              IDRETRY);
}

class FolderServiceTest : public ServicesTest {
protected:
    FolderServiceTest() {
        EXPECT_TRUE(QDir(root.path()).mkpath("target"));
        std::string windowsPath;
        EXPECT_TRUE(win::FromNativePath(root.path().toStdString(), windowsPath));
        EXPECT_TRUE(initial.FromPath(windowsPath));
    }

    QTemporaryDir root;
    KIVTOOLCommon::CItemIDList initial;
    CQtFolderBrowser folders{&uiContext};
};

TEST_F(FolderServiceTest, WorkersFolderDialogGivesTheChosenList) {
    uitest::ModalWatch watch([this](QWidget* modal) {
        auto* window = qobject_cast<kivui::CFolderBrowseWindow*>(modal);
        ASSERT_NE(window, nullptr);
        EXPECT_NE(FindThreadWindow(workerId, "Browse for Folder"), nullptr);
        window->FileDialog()->selectFile(root.path() + "/target");
        window->OkButton()->click();
    });
    KIVTOOLCommon::CItemIDList result;
    const int answer = AskFromWorker([&] {
        return folders.Browse(nullptr, "Select the download folder.", 0x41, initial, result);
    });
    ASSERT_EQ(answer, IDOK);
    std::string path;
    ASSERT_TRUE(result.GetPath(path));
    std::string native;
    ASSERT_TRUE(win::ToNativePath(path, native));
    EXPECT_EQ(QString::fromStdString(native), QDir::cleanPath(root.path() + "/target"));
}

TEST_F(FolderServiceTest, ClosingTheWorkersFolderDialogCancels) {
    QPointer<QWidget> shown;
    uitest::ModalWatch watch([this, &shown](QWidget* modal) {
        shown = modal;
        const win::HWND proxy = FindThreadWindow(workerId, "Browse for Folder");
        ASSERT_NE(proxy, nullptr);
        win::SendMessage(proxy, win::WM_CLOSE, 0, 0);  // CloseFolderDialog
    });
    KIVTOOLCommon::CItemIDList result;
    const int answer = AskFromWorker([&] {
        return folders.Browse(nullptr, "Select the download folder.", 0x41, initial, result);
    });
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_TRUE(result.IsEmpty());
    QElapsedTimer clock;
    clock.start();
    while (shown && shown->isVisible() && clock.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(!shown || !shown->isVisible());
}

TEST(DialogFactoryTest, CreatesAChildDialogAndDeletesItWithTheHandle) {
    CQtDialogFactory factory;
    win::SetLastError(0);
    EXPECT_EQ(factory.CreateDownloadDialog(nullptr), nullptr);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_WINDOW_HANDLE);

    const win::HWND control = win::CreateWindow(
        [](win::HWND, win::UINT, win::WPARAM, win::LPARAM) -> win::LRESULT { return 0; }, "control",
        win::WS_VISIBLE);
    std::unique_ptr<IDownloadDialog> dialog = factory.CreateDownloadDialog(control);
    ASSERT_NE(dialog, nullptr);
    const win::HWND window = dialog->Window();
    EXPECT_EQ(win::GetParent(window), control);
    EXPECT_FALSE(dialog->CreatedFlag());
    dialog->SetCreatedFlag(true);
    EXPECT_TRUE(dialog->CreatedFlag());
    dialog->Configure("My Caption", nullptr, nullptr, "");
    EXPECT_EQ(win::GetWindowTextString(window), "My Caption");
    EXPECT_FALSE(win::IsWindowVisible(window));
    win::ShowWindow(window, win::SW_SHOW);
    EXPECT_TRUE(win::IsWindowVisible(window));
    dialog.reset();
    EXPECT_FALSE(win::IsWindow(window));

    // The control's teardown: the dialog's window goes first, then the object.
    std::unique_ptr<IDownloadDialog> second = factory.CreateDownloadDialog(control);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(win::DestroyWindow(second->Window()));
    second.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    win::DestroyWindow(control);
}

}  // namespace

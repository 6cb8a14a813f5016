// Whole runs in the window: the control module loaded as the program loads
// it, the canned server on 127.0.0.1, and a scripted user at the window.
#include <QImage>
#include <QPointer>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "frontends/window/WindowFrame.h"
#include "frontends/window/WindowPageView.h"
#include "frontends/window/WindowSession.h"
#include "platform/FileApi.h"
#include "tests/host/WindowTestSupport.h"
#include "ui/DialogColours.h"
#include "ui/KivDownloadControllerDlg.h"
#include "ui/TextProgressCtrl.h"

namespace wintest {
namespace {

std::string Content(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 23);
    return bytes;
}

bool BodyRequested(const kivtest::CannedServer& server) {
    for (const kivtest::RecordedRequest& request : server.Requests()) {
        if (request.Method() == "GET") return true;
    }
    return false;
}

bool TransferUnderWay(CWindowFrontEnd& frontEnd, const kivtest::CannedServer& server) {
    CKivDownloadControllerDlg* dialog = DialogOf(frontEnd);
    return dialog != nullptr && BodyRequested(server) && dialog->CurrentBar()->GetPos() > 0;
}

COLORREF PixelAt(const QImage& image, QPoint point) {
    const QColor colour = image.pixelColor(point);
    return RGB(colour.red(), colour.green(), colour.blue());
}

// The window as the user sees it mid-run: the page's white body, the dialog
// exactly over the object. Saved for the documentation when asked for.
void CheckMidRunWindow(CWindowFrame& frame, QSize objectSize) {
    CWindowPageView& view = frame.PageView();
    EXPECT_EQ(view.size(), objectSize);
    ASSERT_NE(view.Dialog(), nullptr);
    EXPECT_EQ(view.Dialog()->geometry(), view.rect());
    const QImage shot = frame.grab().toImage();
    const QPoint objectCorner = view.mapTo(&frame, QPoint(0, 0));
    EXPECT_EQ(objectCorner, QPoint(CWindowFrame::kBodyMargin, CWindowFrame::kBodyMargin));
    EXPECT_EQ(PixelAt(shot, QPoint(1, 1)), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(shot, objectCorner + QPoint(objectSize.width() / 2, 4)),
              kivui::kDialogBackground);
    if (const char* folder = std::getenv("KIV_SCREENSHOT_DIR")) {
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(folder) + "/window-frontend.png"));
    }
}

TEST_F(WindowRunFixture, ACompleteRunSucceedsWithTheFileInTheFolderAndTheFolderOpened) {
    const std::string content = Content(100000);
    server.ServeContent(content, kLastModified);
    envtest::ScopedEnvVar display("DISPLAY", ":0");
    QSize shownSize;
    QString title;
    const int status =
        RunWindow(PageFor("data.bin"), OptionsToDownloads(), [&](CWindowFrontEnd& frontEnd) {
            if (DialogOf(frontEnd) == nullptr || shownSize.isValid()) return;
            shownSize = frontEnd.Frame()->PageView().size();
            title = frontEnd.Frame()->windowTitle();
        });

    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadDownload("data.bin"), content);
    EXPECT_EQ(shownSize, CWindowPageView::DefaultObjectSize());  // the page gave no size
    EXPECT_EQ(title, "Downloads");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The download completed successfully.");
    EXPECT_EQ(boxes[0].title, "Kiv Downloader");
    const std::vector<std::vector<std::string>> expected = {{"xdg-open", DownloadsNative()}};
    EXPECT_EQ(programs.Launched(), expected);
}

TEST_F(WindowRunFixture, TheLeaveQuestionHoldsTheRunAndStayLetsItFinish) {
    const std::string content = Content(65536);
    ServeStalling(content, 32768, 2000);
    HostPage page = PageFor("data.bin");
    page.width = 480;
    page.height = 150;
    int stage = 0;
    int questionsSeen = 0;
    const int status = RunWindow(page, OptionsToDownloads(), [&](CWindowFrontEnd& frontEnd) {
        const CWindowLeaveQuestion& question = frontEnd.Session()->LeaveQuestion();
        if (stage == 0 && TransferUnderWay(frontEnd, server)) {
            EXPECT_EQ(frontEnd.Frame()->PageView().size(), QSize(480, 150));
            frontEnd.Frame()->close();
            stage = 1;
        } else if (stage == 1) {
            ASSERT_TRUE(question.IsOpen()) << "no question while a transfer runs";
            ++questionsSeen;
            // The worker asks the control, which asks the browser.
            EXPECT_EQ(AskControlIfBrowserBoxOpen(frontEnd), 1);
            EXPECT_TRUE(question.Box()->isVisible());
            ASSERT_TRUE(AnswerLeaveQuestion(frontEnd, CWindowLeaveQuestion::StayButtonText()));
            EXPECT_FALSE(question.IsOpen());
            EXPECT_EQ(AskControlIfBrowserBoxOpen(frontEnd), 0);
            EXPECT_TRUE(frontEnd.Frame()->isVisible());
            stage = 2;
        } else if (stage == 2 && question.IsOpen()) {
            ++questionsSeen;
        }
    });

    EXPECT_EQ(status, 0);
    EXPECT_EQ(questionsSeen, 1);
    EXPECT_EQ(ReadDownload("data.bin"), content);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The download completed successfully.");
}

TEST_F(WindowRunFixture, LeavingMidRunCancelsTheRunAndReleasesTheControl) {
    const std::string content = Content(65536);
    ServeStalling(content, 32768, -1);  // the rest never comes: the read is blocked
    int stage = 0;
    QPointer<QWidget> dialog;
    const int status =
        RunWindow(PageFor("data.bin"), OptionsToDownloads(), [&](CWindowFrontEnd& frontEnd) {
            if (stage == 0 && TransferUnderWay(frontEnd, server) &&
                DialogOf(frontEnd)->CurrentBar()->GetPos() == 50) {
                dialog = frontEnd.Frame()->PageView().Dialog();
                CheckMidRunWindow(*frontEnd.Frame(), CWindowPageView::DefaultObjectSize());
                frontEnd.Frame()->close();
                stage = 1;
            } else if (stage == 1 &&
                       AnswerLeaveQuestion(frontEnd, CWindowLeaveQuestion::LeaveButtonText())) {
                stage = 2;
            }
        });

    EXPECT_EQ(stage, 2);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(boxes.empty());  // a cancelled run shows nothing
    EXPECT_TRUE(dialog.isNull()) << "the control's dialog outlived its release";
    // What arrived stays a partial file: hidden, never given its final place.
    const win::DWORD attributes =
        win::GetFileAttributes(root_.Windows("downloads/.data.bin.kivpart"));
    EXPECT_TRUE(attributes == win::INVALID_FILE_ATTRIBUTES ||
                (attributes & win::FILE_ATTRIBUTE_HIDDEN) != 0);
}

TEST_F(WindowRunFixture, SigtermMidRunCancelsWithoutAskingAndKeepsThePartialFileHidden) {
    const std::string content = Content(65536);
    ServeStalling(content, 32768, -1);
    bool signalled = false;
    bool asked = false;
    const int status =
        RunWindow(PageFor("data.bin"), OptionsToDownloads(), [&](CWindowFrontEnd& frontEnd) {
            asked = asked || frontEnd.Session()->LeaveQuestion().IsOpen();
            if (!signalled && TransferUnderWay(frontEnd, server) &&
                DialogOf(frontEnd)->CurrentBar()->GetPos() == 50) {
                ::kill(::getpid(), SIGTERM);
                signalled = true;
            }
        });

    EXPECT_TRUE(signalled);
    EXPECT_FALSE(asked);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(boxes.empty());
    const win::DWORD attributes =
        win::GetFileAttributes(root_.Windows("downloads/.data.bin.kivpart"));
    ASSERT_NE(attributes, win::INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & win::FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(std::filesystem::file_size(DownloadsNative(".data.bin.kivpart")), 32768u);
}

TEST_F(WindowRunFixture, ClosingWithNothingToProtectLeavesAtOnce) {
    const std::string content = Content(1000);
    server.ServeContent(content, kLastModified);
    bool closed = false;
    bool asked = false;
    // No --destination: the folder dialog is open when the window is closed.
    const int status =
        RunWindow(PageFor("data.bin"), HostOptions{}, [&](CWindowFrontEnd& frontEnd) {
            asked = asked || frontEnd.Session()->LeaveQuestion().IsOpen();
            if (!closed && folderDialog.Open()) {
                frontEnd.Frame()->close();
                closed = true;
            }
        });

    EXPECT_TRUE(closed);
    EXPECT_FALSE(asked);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(folderDialog.Calls(), 1);
    EXPECT_FALSE(folderDialog.Open());  // the control closed it
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(DownloadsNative("data.bin")));
}

// A page in a browser: the browser asks its own leave question and reports
// the page's events; the window's own question stays shut.
TEST_F(WindowRunFixture, InABrowserTheLeaveQuestionPausesTheRunAndThePageGoneCancelsIt) {
    ServeStalling(Content(65536), 32768, -1);
    int stage = 0;
    const int status =
        RunWindow(PageFor("data.bin"), OptionsToDownloads(), [&](CWindowFrontEnd& frontEnd) {
            CWindowSession& session = *frontEnd.Session();
            if (stage != 0 || !TransferUnderWay(frontEnd, server)) return;
            stage = 1;
            ASSERT_TRUE(session.LeaveGuarded());
            const std::optional<std::string> leaveText = session.PageLeaveQuestionOpened();
            ASSERT_TRUE(leaveText.has_value());
            EXPECT_NE(leaveText->find("during the download"), std::string::npos);
            EXPECT_EQ(AskControlIfBrowserBoxOpen(frontEnd), 1);
            EXPECT_FALSE(session.LeaveQuestion().IsOpen());
            session.PageLeaveQuestionClosed();
            EXPECT_EQ(AskControlIfBrowserBoxOpen(frontEnd), 0);
            session.PageGone();
        });

    EXPECT_EQ(stage, 1);
    EXPECT_EQ(status, 1);
    EXPECT_TRUE(boxes.empty());
}

// With nothing to protect the control would let the page go at once; while
// the browser asks, the user may still stay, so the run must not end then.
TEST_F(WindowRunFixture, InABrowserALeaveQuestionWithNothingToProtectLeavesTheRunAlone) {
    server.ServeContent(Content(1000), kLastModified);
    int stage = 0;
    int stepsAsked = 0;
    const int status =
        RunWindow(PageFor("data.bin"), HostOptions{}, [&](CWindowFrontEnd& frontEnd) {
            CWindowSession& session = *frontEnd.Session();
            if (stage == 0 && folderDialog.Open()) {
                EXPECT_FALSE(session.LeaveGuarded());
                EXPECT_FALSE(session.PageLeaveQuestionOpened().has_value());
                stage = 1;
            } else if (stage == 1 && ++stepsAsked == 20) {
                EXPECT_TRUE(folderDialog.Open()) << "the run ended while the user was being asked";
                session.PageLeaveQuestionClosed();
                session.PageGone();
                stage = 2;
            }
        });

    EXPECT_EQ(stage, 2);
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(folderDialog.Open());
}

TEST_F(WindowRunFixture, AFailureAtWindowCreationIsReportedAndEndsTheProgram) {
    HostPage page;
    page.title = "Broken";
    page.params = {{"contentscount", "1"}};  // no curl1
    bool dialogSeen = false;
    const int status = RunWindow(page, OptionsToDownloads(), [&](CWindowFrontEnd& frontEnd) {
        dialogSeen = dialogSeen || DialogOf(frontEnd) != nullptr;
    });

    EXPECT_EQ(status, 2);
    EXPECT_FALSE(dialogSeen);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("curl1") && boxes[0].text.endsWith("[D:200]"))
        << boxes[0].text.toStdString();
    EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
}  // namespace wintest

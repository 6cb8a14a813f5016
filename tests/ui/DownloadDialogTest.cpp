// The download dialog driven through its window handle, as the control and
// the worker drive it: every DLGM_ message, its colours and its cancel
// question.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/Handle.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Mutex.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/ui/DialogTestSupport.h"
#include "transfer/ControlMessages.h"
#include "ui/ButtonEx.h"
#include "ui/ColorButton.h"
#include "ui/DialogColours.h"
#include "ui/DialogTemplates.h"
#include "ui/DialogUnits.h"
#include "ui/KivDownloadControllerDlg.h"
#include "ui/LinkStatic.h"
#include "ui/MessageText.h"
#include "ui/MyMsgBox.h"
#include "ui/QtThreadDispatcher.h"
#include "ui/TextProgressCtrl.h"

namespace {

using uitest::PixelAt;

class DownloadDialogTest : public ::testing::Test {
protected:
    DownloadDialogTest() {
        win::OverrideLanguage(win::Language::English);
        control = win::CreateWindow(
            [this](win::HWND, win::UINT message, win::WPARAM, win::LPARAM) -> win::LRESULT {
                controlMessages.push_back(message);
                return 0;
            },
            "control", 0);
        dialog = new CKivDownloadControllerDlg(nullptr, control);
        cancelEvent = win::CreateEvent(true, false);
        pauseMutex = win::CreateMutex(false);
        dialog->Configure("Kiv Downloader", cancelEvent, pauseMutex, "https://example.com/help");
    }
    ~DownloadDialogTest() override {
        delete dialog;
        win::DestroyWindow(control);
        win::CloseHandle(cancelEvent);
        win::CloseHandle(pauseMutex);
        win::ResetLanguage();
    }

    win::LRESULT Send(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0) {
        return win::SendMessage(dialog->Window(), message, wParam, lParam);
    }
    win::LRESULT SendText(win::UINT message, win::WPARAM wParam, const char* text) {
        return Send(message, wParam, reinterpret_cast<win::LPARAM>(text));
    }
    void SendSize(win::UINT message, win::ULONGLONG value) {
        Send(message, Low32(value), High32(value));
    }
    bool CancelEventSet() const {
        return win::WaitForSingleObject(cancelEvent, 0) == win::WAIT_OBJECT_0;
    }
    // Runs the cancel command, answering its question with `button` (0 Yes, 1 No).
    QString CancelAnswering(int button) {
        QString question;
        uitest::ModalWatch watch([&](QWidget* modal) {
            auto* box = qobject_cast<CMyMsgBox*>(modal);
            ASSERT_NE(box, nullptr);
            question = box->TextControl()->Text();
            box->Button(button)->click();
        });
        dialog->OnCancel();
        EXPECT_TRUE(watch.Seen());
        return question;
    }
    // Runs the cancel command; true when it asked a question (which is dismissed).
    bool CancelAsks() {
        uitest::ModalWatch watch([](QWidget* modal) {
            if (auto* box = qobject_cast<CMyMsgBox*>(modal)) {
                box->Dismiss();
            }
        });
        dialog->OnCancel();
        return watch.Seen();
    }

    win::HWND control = nullptr;
    std::vector<win::UINT> controlMessages;
    CKivDownloadControllerDlg* dialog = nullptr;
    win::HANDLE cancelEvent = nullptr;
    win::HANDLE pauseMutex = nullptr;
};

TEST_F(DownloadDialogTest, StartsWithHiddenLinesAndCancelDisabled) {
    ASSERT_NE(dialog->Window(), nullptr);
    EXPECT_EQ(win::GetParent(dialog->Window()), control);
    EXPECT_EQ(win::GetWindowTextString(dialog->Window()), "Kiv Downloader");
    dialog->show();
    EXPECT_FALSE(dialog->StatusLine()->isVisible());
    EXPECT_FALSE(dialog->FileNameLine()->isVisible());
    EXPECT_TRUE(dialog->CurrentLabel()->isVisible());
    EXPECT_FALSE(dialog->PlayButton()->isVisible());
    EXPECT_TRUE(dialog->CancelButton()->isVisible());
    EXPECT_FALSE(dialog->CancelButton()->isEnabled());
    EXPECT_FALSE(dialog->IsCloseEnabled());
    EXPECT_FALSE(dialog->AboutLink()->isVisible());
    EXPECT_FALSE(dialog->LinkImage()->isVisible());
    EXPECT_EQ(dialog->CurrentBar()->Upper(), 100);
    EXPECT_EQ(dialog->OverallBar()->Upper(), 10);
}

TEST_F(DownloadDialogTest, FileNameShowsTheLineAndEnablesCancel) {
    dialog->show();
    Send(DLGM_FILENAME, reinterpret_cast<win::WPARAM>("setup.zip"));
    EXPECT_EQ(dialog->FileNameText(), "File name: setup.zip");
    EXPECT_TRUE(dialog->FileNameLine()->isVisible());
    EXPECT_TRUE(dialog->CancelButton()->isEnabled());
    EXPECT_TRUE(dialog->IsCloseEnabled());

    Send(DLGM_OVERALLSTEP, 1);
    EXPECT_FALSE(dialog->CancelButton()->isEnabled());
    EXPECT_FALSE(dialog->PlayButton()->isEnabled());
    Send(DLGM_FILENAME, 0);
    EXPECT_FALSE(dialog->FileNameLine()->isVisible());
    EXPECT_TRUE(dialog->CancelButton()->isEnabled());
}

TEST_F(DownloadDialogTest, StatusSetsLineAndTimeLabelByMode) {
    dialog->show();
    SendText(DLGM_STATUS, 1, "Verifying file.");
    EXPECT_EQ(dialog->TimeLabel()->text(), "Verification complete in");
    EXPECT_EQ(dialog->StatusLine()->text(), "Verifying file.");
    EXPECT_TRUE(dialog->StatusLine()->isVisible());
    EXPECT_EQ(dialog->Mode(), 1);

    SendText(DLGM_STATUS, 0, nullptr);
    EXPECT_EQ(dialog->TimeLabel()->text(), "Download complete in");
    EXPECT_EQ(dialog->StatusLine()->text(), "Verifying file.");  // no text: line kept
    EXPECT_EQ(dialog->Mode(), 0);

    // Another mode is only stored.
    SendText(DLGM_STATUS, 7, "Odd mode.");
    EXPECT_EQ(dialog->TimeLabel()->text(), "Download complete in");
    EXPECT_EQ(dialog->StatusLine()->text(), "Verifying file.");
    EXPECT_EQ(dialog->Mode(), 7);
}

TEST_F(DownloadDialogTest, EachFileStepsTheOverallBarAndCounts) {
    dialog->show();
    Send(DLGM_OVERALLRANGE, 0, 3);
    EXPECT_EQ(dialog->Model().FilesInRange(), 3);
    EXPECT_FALSE(dialog->OverallBar()->IsTimerRunning());
    SendText(DLGM_STATUS, 0, "Downloading file(s).");
    Send(DLGM_OVERALLSTEP, 0);
    EXPECT_EQ(dialog->OverallBar()->Text(), "1 / 3");
    EXPECT_EQ(dialog->StatusLine()->text(), "Downloading file(s).(1/3)");
    EXPECT_EQ(win::GetWindowTextString(dialog->Window()), "Kiv Downloader(1/3)");
    Send(DLGM_OVERALLSTEP, 0);
    Send(DLGM_OVERALLSTEP, 0);
    EXPECT_EQ(dialog->OverallBar()->Text(), "3 / 3");
    // Without sizes the bar is filled by the files counted.
    EXPECT_EQ(dialog->OverallBar()->GetPos(), dialog->OverallBar()->Upper());
}

TEST_F(DownloadDialogTest, BytesShowOnlyOnceATotalIsKnown) {
    dialog->show();
    const QString before = dialog->CurrentBar()->Text();
    SendSize(DLGM_CURRENTPOS, 800);
    EXPECT_EQ(dialog->CurrentBar()->Text(), before);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 0);

    SendSize(DLGM_CURRENTTOTAL, 0);  // no size given: busy
    EXPECT_TRUE(dialog->CurrentBar()->IsTimerRunning());
    SendSize(DLGM_CURRENTPOS, 800);
    EXPECT_EQ(dialog->CurrentBar()->Text(), before);

    SendSize(DLGM_CURRENTTOTAL, 2500);
    EXPECT_FALSE(dialog->CurrentBar()->IsTimerRunning());
    SendSize(DLGM_CURRENTPOS, 800);
    EXPECT_EQ(dialog->CurrentBar()->Text(), "800 byte(s) / 2,500 byte(s) (32% completed)");
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 32);
    SendSize(DLGM_CURRENTPOS, 2500);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 100);
}

TEST_F(DownloadDialogTest, SizesBeyondFourGigabytesUseBothHalves) {
    const win::ULONGLONG total = (5ull << 32) + 1000;
    SendSize(DLGM_CURRENTTOTAL, total);
    EXPECT_EQ(dialog->CurrentTotal(), total);
    SendSize(DLGM_CURRENTPOS, total / 2);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 50);
    EXPECT_TRUE(dialog->CurrentBar()->Text().endsWith(" (50% completed)"));
}

TEST_F(DownloadDialogTest, BusyAndIdleBarsFollowTheirShowCommands) {
    dialog->show();
    Send(DLGM_OVERALLBUSY, 1, win::SW_SHOW);
    EXPECT_TRUE(dialog->OverallBar()->isVisible());
    EXPECT_TRUE(dialog->OverallBar()->IsTimerRunning());
    Send(DLGM_OVERALLBUSY, 0, -1);
    EXPECT_FALSE(dialog->OverallBar()->IsTimerRunning());
    EXPECT_EQ(dialog->OverallBar()->GetPos(), 0);
    EXPECT_TRUE(dialog->OverallBar()->isVisible());
    Send(DLGM_OVERALLBUSY, 0, win::SW_HIDE);
    EXPECT_FALSE(dialog->OverallBar()->isVisible());

    SendSize(DLGM_CURRENTTOTAL, 2500);
    SendSize(DLGM_CURRENTPOS, 800);
    Send(DLGM_CURRENTBUSY, 0, -1);
    EXPECT_EQ(dialog->CurrentBar()->Text(), "");
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 0);
    EXPECT_TRUE(dialog->CurrentBar()->isVisible());
    Send(DLGM_CURRENTBUSY, 1, win::SW_HIDE);
    EXPECT_TRUE(dialog->CurrentBar()->IsTimerRunning());
    EXPECT_FALSE(dialog->CurrentBar()->isVisible());
    EXPECT_FALSE(dialog->CurrentLabel()->isVisible());
    // A total after a busy spell measures in percent again.
    SendSize(DLGM_CURRENTTOTAL, 1000);
    SendSize(DLGM_CURRENTPOS, 900);
    EXPECT_TRUE(dialog->CurrentBar()->isVisible());
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 90);
}

TEST_F(DownloadDialogTest, RateAndTimeFieldsKeepClearAndRecalculate) {
    Send(DLGM_RATETIME, 1234567, 3725);
    EXPECT_EQ(dialog->RateText(), "About 1,234,567KB/sec");
    EXPECT_EQ(dialog->TimeText(), "About  1 hr  2 min  5 sec");
    Send(DLGM_RATETIME, 0, static_cast<win::LPARAM>(-1));
    EXPECT_EQ(dialog->RateText(), "About 0KB/sec");
    EXPECT_EQ(dialog->TimeText(), "About  1 hr  2 min  5 sec");
    Send(DLGM_RATETIME, 0, static_cast<win::LPARAM>(-3));
    EXPECT_EQ(dialog->TimeText(), "Recalculating");
    // -2 arrives as a 32-bit pattern when posted through a WPARAM.
    Send(DLGM_RATETIME, static_cast<win::WPARAM>(0xFFFFFFFEu), -2);
    EXPECT_EQ(dialog->RateText(), "");
    EXPECT_EQ(dialog->TimeText(), "");
}

TEST_F(DownloadDialogTest, PlayRequestCancelSignalAndLink) {
    dialog->show();
    Send(DLGM_PLAYBUTTON, win::SW_SHOW, 1);
    EXPECT_FALSE(dialog->PlayButton()->isVisible());

    EXPECT_FALSE(CancelEventSet());
    Send(DLGM_CANCELSIGNAL);
    EXPECT_TRUE(CancelEventSet());

    Send(DLGM_SHOWLINK);
    EXPECT_TRUE(dialog->AboutLink()->isVisible());
    EXPECT_TRUE(dialog->LinkImage()->isVisible());
    EXPECT_EQ(dialog->AboutLink()->LinkTarget(), "https://example.com/help");
    EXPECT_EQ(dialog->AboutLink()->CurrentTextColour(), kivui::kAboutLinkColour);

    dialog->PlayButton()->click();
    win::MSG message;
    ASSERT_TRUE(win::PeekMessage(&message, win::PM_REMOVE));
    EXPECT_EQ(message.hwnd, control);
    EXPECT_EQ(message.message, CTLM_PLAY);
}

TEST_F(DownloadDialogTest, PaintsFramePanelAndFieldsInTheirColours) {
    dialog->show();
    Send(DLGM_RATETIME, 5, 10);
    const QImage image = uitest::Render(*dialog);
    const int w = image.width();
    const int h = image.height();
    EXPECT_EQ(PixelAt(image, 0, 0), kivui::kDialogFrame);
    EXPECT_EQ(PixelAt(image, 1, h / 2), kivui::kDialogFrame);
    EXPECT_EQ(PixelAt(image, w - 2, 1), kivui::kDialogFrame);
    EXPECT_EQ(PixelAt(image, 2, h - 3), kivui::kDialogBackground);
    EXPECT_EQ(PixelAt(image, w - 3, h / 2), kivui::kDialogBackground);
    const QRect panel = dialog->PanelRect();
    EXPECT_EQ(PixelAt(image, panel.left(), panel.center().y()), kivui::kPanelBorder);
    EXPECT_EQ(PixelAt(image, panel.right(), panel.top() + 2), kivui::kPanelBorder);
    EXPECT_EQ(PixelAt(image, panel.left() + 2, panel.bottom() - 2), kivui::kPanelFill);
    // The rate is drawn right-aligned on the panel colour.
    const QRect rate = dialog->RateRect();
    EXPECT_EQ(PixelAt(image, rate.left() + 1, rate.center().y()), kivui::kPanelFill);
    bool textDrawn = false;
    for (int x = rate.center().x(); x <= rate.right(); ++x) {
        for (int y = rate.top(); y <= rate.bottom(); ++y) {
            textDrawn = textDrawn || PixelAt(image, x, y) != kivui::kPanelFill;
        }
    }
    EXPECT_TRUE(textDrawn);
}

TEST_F(DownloadDialogTest, ConfirmedCancelSetsTheEventAndDisablesButtons) {
    dialog->show();
    Send(DLGM_FILENAME, reinterpret_cast<win::WPARAM>("a.zip"));
    EXPECT_EQ(CancelAnswering(0), "Cancel file download?");
    EXPECT_TRUE(CancelEventSet());
    EXPECT_FALSE(dialog->CancelButton()->isEnabled());
    EXPECT_FALSE(dialog->PlayButton()->isEnabled());
    // The pause mutex was given back: another thread takes it at once.
    std::thread([this] {
        EXPECT_EQ(win::WaitForSingleObject(pauseMutex, 0), win::WAIT_OBJECT_0);
        win::ReleaseMutex(pauseMutex);
    }).join();
}

TEST_F(DownloadDialogTest, CancelAnsweredNoChangesNothing) {
    dialog->show();
    Send(DLGM_FILENAME, reinterpret_cast<win::WPARAM>("a.zip"));
    SendText(DLGM_STATUS, 1, "Verifying file.");
    const QString question = CancelAnswering(1);
    EXPECT_TRUE(question.startsWith("Verifying downloaded files."));
    EXPECT_TRUE(question.endsWith("Close Kiv Downloader?"));
    EXPECT_TRUE(question.contains("if Kiv Downloader is closed"));
    EXPECT_FALSE(CancelEventSet());
    EXPECT_TRUE(dialog->CancelButton()->isEnabled());
}

TEST_F(DownloadDialogTest, CancelIsDroppedWhileTheWorkerHoldsThePauseMutex) {
    dialog->show();
    Send(DLGM_FILENAME, reinterpret_cast<win::WPARAM>("a.zip"));
    win::HANDLE held = win::CreateEvent(true, false);
    win::HANDLE done = win::CreateEvent(true, false);
    std::thread worker([&] {
        win::WaitForSingleObject(pauseMutex, win::INFINITE);
        win::SetEvent(held);
        win::WaitForSingleObject(done, win::INFINITE);
        win::ReleaseMutex(pauseMutex);
    });
    win::WaitForSingleObject(held, win::INFINITE);
    EXPECT_FALSE(CancelAsks());
    win::SetEvent(done);
    worker.join();
    EXPECT_FALSE(CancelEventSet());
    EXPECT_TRUE(dialog->CancelButton()->isEnabled());
    win::CloseHandle(held);
    win::CloseHandle(done);
}

TEST_F(DownloadDialogTest, DismissedQuestionIsNoAnswer) {
    dialog->show();
    Send(DLGM_FILENAME, reinterpret_cast<win::WPARAM>("a.zip"));
    uitest::ModalWatch watch([](QWidget* modal) {
        auto* box = qobject_cast<CMyMsgBox*>(modal);
        ASSERT_NE(box, nullptr);
        win::SendMessage(box->Hwnd(), MBM_DISMISS, 0, 0);
    });
    dialog->OnCancel();
    EXPECT_TRUE(watch.Seen());
    EXPECT_FALSE(CancelEventSet());
    EXPECT_TRUE(dialog->CancelButton()->isEnabled());
}

TEST_F(DownloadDialogTest, ReleasedWhileAskingGoesOnceAnswered) {
    dialog->show();
    Send(DLGM_FILENAME, reinterpret_cast<win::WPARAM>("a.zip"));
    QPointer<CKivDownloadControllerDlg> watched = dialog;
    uitest::ModalWatch watch([this](QWidget* modal) {
        EXPECT_TRUE(dialog->IsAsking());
        dialog->Release();  // the control lets go while the question is open
        qobject_cast<CMyMsgBox*>(modal)->Button(0)->click();
    });
    dialog->OnCancel();
    EXPECT_TRUE(CancelEventSet());
    ASSERT_TRUE(watched);  // still alive: the answer was being handled on it
    dialog = nullptr;
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(watched);
}

TEST_F(DownloadDialogTest, CloseAsksOnlyOnceCancelIsAvailable) {
    dialog->show();
    {
        uitest::ModalWatch watch([](QWidget*) {});
        win::SendMessage(dialog->Window(), win::WM_CLOSE, 0, 0);
        EXPECT_FALSE(watch.Seen());
    }
    EXPECT_TRUE(win::IsWindow(dialog->Window()));
    EXPECT_TRUE(dialog->isVisible());

    Send(DLGM_FILENAME, reinterpret_cast<win::WPARAM>("a.zip"));
    uitest::ModalWatch watch([](QWidget* modal) {
        auto* box = qobject_cast<CMyMsgBox*>(modal);
        ASSERT_NE(box, nullptr);
        box->Button(0)->click();
    });
    win::SendMessage(dialog->Window(), win::WM_CLOSE, 0, 0);
    EXPECT_TRUE(watch.Seen());
    EXPECT_TRUE(CancelEventSet());
}

TEST(DownloadDialogLayoutTest, LabelsGrowFromTheirAlignedEdgeRatherThanClip) {
    win::OverrideLanguage(win::Language::Japanese);
    CKivDownloadControllerDlg dialog(nullptr, nullptr);
    const QRect before = dialog.TimeLabel()->geometry();
    win::SendMessage(dialog.Window(), DLGM_STATUS, 0, 0);
    const QLabel& label = *dialog.TimeLabel();
    EXPECT_EQ(label.text(), QString::fromUtf8("ダウンロード完了まで"));
    EXPECT_GE(label.width(), label.fontMetrics().horizontalAdvance(label.text()));
    EXPECT_EQ(label.geometry().right(), before.right());
    EXPECT_EQ(label.geometry().top(), before.top());
    win::SendMessage(dialog.Window(), DLGM_STATUS, 1, 0);
    EXPECT_GE(label.width(), label.fontMetrics().horizontalAdvance(label.text()));
    EXPECT_EQ(label.geometry().right(), before.right());
    win::ResetLanguage();
}

TEST(DownloadDialogLayoutTest, ControlsSitWhereTheTemplateSays) {
    for (const win::Language language : {win::Language::English, win::Language::Japanese}) {
        win::OverrideLanguage(language);
        const kivui::DialogTemplate& layout = *kivui::LoadDialogTemplate(201, language);
        CKivDownloadControllerDlg dialog(nullptr, nullptr);
        const kivui::CDialogUnits units(dialog.font());
        EXPECT_EQ(dialog.size(), units.ToPixelsSize(layout.cx, layout.cy));
        EXPECT_EQ(dialog.CurrentBar()->geometry(), units.ToPixels(*layout.Find(201)));
        EXPECT_EQ(dialog.OverallBar()->geometry(), units.ToPixels(*layout.Find(202)));
        EXPECT_EQ(dialog.CancelButton()->geometry(), units.ToPixels(*layout.Find(2)));
        EXPECT_EQ(dialog.PlayButton()->geometry(), units.ToPixels(*layout.Find(206)));
        EXPECT_EQ(dialog.PanelRect(), units.ToPixels(*layout.Find(215)));
        EXPECT_EQ(dialog.RateRect(), units.ToPixels(*layout.Find(212)));
        EXPECT_EQ(dialog.TimeRect(), units.ToPixels(*layout.Find(213)));
        EXPECT_EQ(dialog.AboutLink()->geometry(), units.ToPixels(*layout.Find(210)));
        EXPECT_EQ(dialog.CancelButton()->text().toStdString(), layout.Find(2)->text);
    }
    win::ResetLanguage();
}

TEST(DownloadDialogThreadTest, WorkerSendsAndPostsReachTheDialog) {
    win::OverrideLanguage(win::Language::English);
    CQtThreadDispatcher dispatcher;
    CKivDownloadControllerDlg dialog(nullptr, nullptr);
    dialog.show();
    const win::HWND window = dialog.Window();
    std::atomic<bool> finished = false;
    std::thread worker([&] {
        const std::string status = "Downloading file(s).";
        win::SendMessage(window, DLGM_STATUS, 0, reinterpret_cast<win::LPARAM>(status.c_str()));
        win::SendMessage(window, DLGM_OVERALLRANGE, 0, 2);
        win::SendMessage(window, DLGM_OVERALLSTEP, 0, 0);
        win::PostMessage(window, DLGM_CURRENTTOTAL, 2500, 0);
        win::PostMessage(window, DLGM_CURRENTPOS, 800, 0);
        win::PostMessage(window, DLGM_RATETIME, 12, 61);
        finished = true;
    });
    QElapsedTimer clock;
    clock.start();
    while ((!finished || dialog.TimeText().empty()) && clock.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    EXPECT_EQ(dialog.StatusLine()->text(), "Downloading file(s).(1/2)");
    EXPECT_EQ(dialog.CurrentBar()->Text(), "800 byte(s) / 2,500 byte(s) (32% completed)");
    EXPECT_EQ(dialog.RateText(), "About 12KB/sec");
    EXPECT_EQ(dialog.TimeText(), "About  1 min  1 sec");
    win::ResetLanguage();
}

}  // namespace

// The current-file bar under the transfer's stream of byte counts: one count
// arrives for every 16 KiB read, tens of thousands a second. The bar takes
// the newest at most once a frame and never paints on the spot for a count
// that leaves the percentage where it was (the window thread would do
// nothing else); a count still waiting never outlives its file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Window.h"
#include "transfer/ControlMessages.h"
#include "ui/KivDownloadControllerDlg.h"
#include "ui/QtText.h"
#include "ui/TextProgressCtrl.h"
#include "ui/text/ByteCountText.h"

namespace {

constexpr int kFrameMs = 25;  // at most one count shown per frame

// Paints of the bar, and changes of its text (each count it takes).
class PaintCounter : public QObject {
public:
    int paints = 0;
    int texts = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        if (event->type() == QEvent::WindowTitleChange) ++texts;
        return false;
    }
};

// Serves the loop for `ms` milliseconds.
void ServeLoopFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class ProgressPaintTest : public ::testing::Test {
protected:
    static constexpr win::ULONGLONG kTotal = 1000000;

    ProgressPaintTest() {
        win::OverrideLanguage(win::Language::English);
        control = win::CreateWindow(
            [](win::HWND, win::UINT, win::WPARAM, win::LPARAM) -> win::LRESULT { return 0; },
            "control", 0);
        dialog = new CKivDownloadControllerDlg(nullptr, control);
        dialog->Configure("Kiv Downloader", nullptr, nullptr, "");
        dialog->show();
        Send(DLGM_CURRENTTOTAL, kTotal);
        QApplication::processEvents();  // shown and painted once
        dialog->CurrentBar()->installEventFilter(&counter);
        counter.paints = 0;
    }
    ~ProgressPaintTest() override {
        delete dialog;
        win::DestroyWindow(control);
        win::ResetLanguage();
    }

    void Send(win::UINT message, win::ULONGLONG value) {
        win::SendMessage(dialog->Window(), message, static_cast<win::WPARAM>(value & 0xFFFFFFFFu),
                         static_cast<win::LPARAM>(value >> 32));
    }
    void Send(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
        win::SendMessage(dialog->Window(), message, wParam, lParam);
    }
    static QString BarTextFor(win::ULONGLONG done) {
        return kivui::FromProcessText(kivui::FormatCurrentFile(done, kTotal)->text);
    }

    win::HWND control = nullptr;
    CKivDownloadControllerDlg* dialog = nullptr;
    PaintCounter counter;
};

TEST_F(ProgressPaintTest, AStreamOfCountsShowsTheNewestOnceAFrameWithoutPaintingOnTheSpot) {
    Send(DLGM_CURRENTPOS, kTotal / 100);
    ServeLoopFor(2 * kFrameMs);
    counter.paints = 0;
    counter.texts = 0;
    QElapsedTimer clock;
    clock.start();
    win::ULONGLONG last = 0;
    for (win::ULONGLONG done = kTotal / 100 + 100; done < 2 * kTotal / 100; done += 100) {
        Send(DLGM_CURRENTPOS, done);
        last = done;
    }
    const qint64 sendingMs = clock.elapsed();
    EXPECT_EQ(counter.paints, 0);
    // 99 counts; one taken per frame that passed while they came, at most.
    EXPECT_LE(counter.texts, 1 + sendingMs / kFrameMs);
    ServeLoopFor(3 * kFrameMs);
    EXPECT_EQ(dialog->CurrentBar()->Text(), BarTextFor(last));
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 1);
    EXPECT_GE(counter.paints, 1);
    EXPECT_LE(counter.paints, 2 + clock.elapsed() / kFrameMs);
}

TEST_F(ProgressPaintTest, APercentStepAndTheLastByteStillPaintAtOnce) {
    Send(DLGM_CURRENTPOS, kTotal / 4);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 25);
    EXPECT_GE(counter.paints, 1);
    const int afterStep = counter.paints;

    // Within the same frame: the last byte is never held back.
    Send(DLGM_CURRENTPOS, kTotal);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 100);
    EXPECT_GT(counter.paints, afterStep);
    EXPECT_EQ(dialog->CurrentBar()->Text(), BarTextFor(kTotal));
}

TEST_F(ProgressPaintTest, ACountStillWaitingNeverReachesTheNextFileOrABusyBar) {
    Send(DLGM_CURRENTPOS, kTotal / 10);
    Send(DLGM_CURRENTPOS, kTotal / 2);  // same frame: waits
    Send(DLGM_CURRENTTOTAL, kTotal);    // the next file, of the same size
    ServeLoopFor(3 * kFrameMs);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 0);
    EXPECT_EQ(dialog->CurrentBar()->Text(), "");  // a new total starts the bar afresh
    // The next file's first count shows at once.
    Send(DLGM_CURRENTPOS, kTotal / 5);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 20);

    Send(DLGM_CURRENTPOS, kTotal / 2);  // same frame: waits
    Send(DLGM_CURRENTBUSY, 1, -1);
    ServeLoopFor(3 * kFrameMs);
    EXPECT_EQ(dialog->CurrentBar()->Text(), "");
    EXPECT_TRUE(dialog->CurrentBar()->IsTimerRunning());
}

}  // namespace

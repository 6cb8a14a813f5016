// The current-file bar under the transfer's stream of byte counts: one count
// arrives for every 16 KiB read, so a count that leaves the percentage where
// it was must not paint the bar on the spot (the window thread would do
// nothing else); its text is painted with the window's next paint.
#include <gtest/gtest.h>

#include <QApplication>
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

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

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
    static QString BarTextFor(win::ULONGLONG done) {
        return kivui::FromProcessText(kivui::FormatCurrentFile(done, kTotal)->text);
    }

    win::HWND control = nullptr;
    CKivDownloadControllerDlg* dialog = nullptr;
    PaintCounter counter;
};

TEST_F(ProgressPaintTest, CountsWithinOnePercentAreShownByTheNextPaintNotEachOnTheSpot) {
    Send(DLGM_CURRENTPOS, kTotal / 100);
    QApplication::processEvents();
    counter.paints = 0;
    win::ULONGLONG last = 0;
    for (win::ULONGLONG done = kTotal / 100 + 100; done < 2 * kTotal / 100; done += 100) {
        Send(DLGM_CURRENTPOS, done);
        last = done;
    }
    EXPECT_EQ(counter.paints, 0);
    // The bar already holds the newest count; the loop paints it once.
    EXPECT_EQ(dialog->CurrentBar()->Text(), BarTextFor(last));
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 1);
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
    EXPECT_LE(counter.paints, 2);
}

TEST_F(ProgressPaintTest, APercentStepAndTheLastByteStillPaintAtOnce) {
    Send(DLGM_CURRENTPOS, kTotal / 4);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 25);
    EXPECT_GE(counter.paints, 1);
    const int afterStep = counter.paints;

    Send(DLGM_CURRENTPOS, kTotal);
    EXPECT_EQ(dialog->CurrentBar()->GetPos(), 100);
    EXPECT_GT(counter.paints, afterStep);
    EXPECT_EQ(dialog->CurrentBar()->Text(), BarTextFor(kTotal));
}

}  // namespace

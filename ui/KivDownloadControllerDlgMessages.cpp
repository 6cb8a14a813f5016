// The download dialog's side of the DLGM_ messages: the model takes them,
// the widgets show what changed.
#include <QLabel>
#include <QTimer>
#include <algorithm>

#include "platform/Event.h"
#include "resources/StringTable.h"
#include "transfer/ControlMessages.h"
#include "ui/ColorButton.h"
#include "ui/KivDownloadControllerDlg.h"
#include "ui/LinkStatic.h"
#include "ui/QtText.h"
#include "ui/TextProgressCtrl.h"

using namespace kivui;

namespace {

constexpr int kBusyTimerMs = 50;
constexpr int kBusyBlockPercent = 10;
constexpr int kFullBlockPercent = 100;
constexpr int kKeepVisibility = -1;
// The current bar shows at most one byte count per this many milliseconds.
constexpr qint64 kCountFrameMs = 25;

void ApplyShowCommand(QWidget* widget, int showCommand) {
    if (showCommand != kKeepVisibility) {
        widget->setVisible(showCommand != win::SW_HIDE);
    }
}

bool IsModelMessage(win::UINT message) {
    return (message >= DLGM_FILENAME && message <= DLGM_PLAYBUTTON) || message == DLGM_RATETIME ||
           message == DLGM_SHOWLINK || message == DLGM_RUNBYTES;
}

// Message parameters carry 32-bit signed numbers.
int ShowCommandOf(win::LPARAM lParam) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam));
}

}  // namespace

std::optional<win::LRESULT> CKivDownloadControllerDlg::HandleMessage(win::UINT message,
                                                                     win::WPARAM wParam,
                                                                     win::LPARAM lParam) {
    switch (message) {
        case DLGM_CANCELSIGNAL:
            if (cancelEvent_ != nullptr) {
                win::SetEvent(cancelEvent_);
            }
            return 0;
        case win::WM_CLOSE:
            // Close is the cancel command, refused while Cancel is disabled.
            if (closeEnabled_ && model_.CancelEnabled() && cancel_ && cancel_->isEnabled()) {
                OnCancel();
            }
            return 0;
        case win::WM_DESTROY:
            OnDestroyWindow();
            return std::nullopt;
        default:
            break;
    }
    if (!IsModelMessage(message)) {
        return std::nullopt;
    }
    Render(message, wParam, model_.Apply(message, wParam, lParam));
    if (message == DLGM_CURRENTBUSY || message == DLGM_OVERALLBUSY) {
        // The show command is the widgets' business: the model keeps only the outcome.
        const int showCommand = ShowCommandOf(lParam);
        if (message == DLGM_CURRENTBUSY) {
            ShowCurrentBusy(showCommand);
        } else {
            ShowOverallBusy(showCommand);
        }
    }
    return 0;
}

void CKivDownloadControllerDlg::Render(win::UINT message, win::WPARAM wParam,
                                       const DialogChanges& changes) {
    switch (message) {
        case DLGM_FILENAME:
            ShowFileName();
            break;
        case DLGM_STATUS:
            ShowStatus(changes);
            break;
        case DLGM_CURRENTTOTAL:
            ShowCurrentTotal();
            break;
        case DLGM_CURRENTPOS:
            if (changes.Any()) {
                OnCurrentPos();
            }
            break;
        case DLGM_OVERALLRANGE:
            ShowOverallRange();
            break;
        case DLGM_OVERALLSTEP:
            ShowOverallStep(wParam);
            break;
        case DLGM_RUNBYTES:
            ShowOverallPos();
            break;
        case DLGM_SHOWLINK:
            OnShowLink();
            break;
        default:
            break;  // the busy bars are drawn by the caller; DLGM_PLAYBUTTON shows nothing
    }
    ShowRateTime(changes);
}

void CKivDownloadControllerDlg::SetLineText(QLabel* line, const QString& text) {
    line->hide();
    line->setText(text);
    if (line != fileName_) {  // the file name is shortened with an ellipsis instead
        FitToText(line);
    }
    line->show();
}

void CKivDownloadControllerDlg::ShowFileName() {
    if (model_.FileShown()) {
        fileNameText_ = FromProcessText(model_.FileLine());
        const QString shown =
            fileName_->fontMetrics().elidedText(fileNameText_, Qt::ElideRight, fileName_->width());
        SetLineText(fileName_, shown);
    } else {
        fileName_->hide();
    }
    if (cancel_) {
        cancel_->setEnabled(model_.CancelEnabled());
    }
    closeEnabled_ = true;
}

void CKivDownloadControllerDlg::ShowStatus(const DialogChanges& changes) {
    const int mode = model_.Mode();
    if (mode != 0 && mode != 1) {
        return;  // only stored
    }
    timeLabel_->setText(FromProcessText(model_.TimeLabel()));
    FitToText(timeLabel_);
    if (changes.Has(kPartStatus)) {
        SetLineText(status_, FromProcessText(model_.StatusLine()));
    }
}

void CKivDownloadControllerDlg::ShowCurrentBusy(int showCommand) {
    ForgetWaitingCount();
    ApplyShowCommand(currentLabel_, showCommand);
    ApplyShowCommand(currentBar_, showCommand);
    currentBar_->SetText(QString());
    currentBar_->HandleMessage(PBM_SETPOS, 0, 0);
    if (model_.Current().busy) {
        currentBar_->HandleMessage(PBM_SETRANGE32, 0, 10);
        currentBar_->HandleMessage(PBM_SETMARQUEE, 1, kBusyTimerMs);
        currentBar_->HandleMessage(TPM_SETMARQUEEWIDTH, kBusyBlockPercent, 0);
    } else {
        currentBar_->HandleMessage(PBM_SETMARQUEE, 0, 0);
    }
}

void CKivDownloadControllerDlg::ShowCurrentTotal() {
    ForgetWaitingCount();
    currentLabel_->show();
    currentBar_->show();
    currentBar_->SetText(QString());
    if (model_.CurrentTotal() > 0) {
        currentBar_->HandleMessage(PBM_SETMARQUEE, 0, 0);
        // The byte counts are percentages, whatever range a busy spell left.
        currentBar_->HandleMessage(PBM_SETRANGE32, 0, 100);
        currentBar_->HandleMessage(TPM_SETMARQUEEWIDTH, kFullBlockPercent, 0);
        currentBar_->HandleMessage(PBM_SETPOS, 0, 0);
    } else {
        currentBar_->HandleMessage(PBM_SETMARQUEE, 1, kBusyTimerMs);
        currentBar_->HandleMessage(TPM_SETMARQUEEWIDTH, kBusyBlockPercent, 0);
    }
    ShowOverallPos();
}

void CKivDownloadControllerDlg::OnCurrentPos() {
    if (model_.CurrentComplete() || !countShown_.isValid() ||
        countShown_.elapsed() >= kCountFrameMs) {
        ShowCurrentPos();
        return;
    }
    countWaiting_ = true;
    if (!countFlushArmed_) {
        countFlushArmed_ = true;
        const qint64 wait = kCountFrameMs - countShown_.elapsed();
        QTimer::singleShot(static_cast<int>(std::max<qint64>(wait, 0)), this,
                           [this] { ShowWaitingCount(); });
    }
}

void CKivDownloadControllerDlg::ShowWaitingCount() {
    countFlushArmed_ = false;
    if (countWaiting_) {
        ShowCurrentPos();
    }
}

void CKivDownloadControllerDlg::ForgetWaitingCount() {
    // A count of the file before must not reach the bar after its reset.
    countWaiting_ = false;
    countShown_.invalidate();
}

void CKivDownloadControllerDlg::ShowCurrentPos() {
    countWaiting_ = false;
    countShown_.start();
    const DialogBar bar = model_.Current();
    if (bar.text.empty()) {
        return;
    }
    // The new text is painted with the window's next paint; setting the
    // position paints the bar at once, so it is set only when it moves.
    currentBar_->SetText(FromProcessText(bar.text));
    if (bar.percent != currentBar_->GetPos()) {
        currentBar_->HandleMessage(PBM_SETPOS, static_cast<win::WPARAM>(bar.percent), 0);
    }
    if (model_.CurrentComplete()) {
        currentBar_->repaint();
    }
    ShowOverallPos();
}

void CKivDownloadControllerDlg::ShowOverallBusy(int showCommand) {
    ApplyShowCommand(overallBar_, showCommand);
    if (model_.Overall().busy) {
        overallBar_->HandleMessage(PBM_SETRANGE32, 0, 10);
        overallBar_->HandleMessage(PBM_SETMARQUEE, 1, kBusyTimerMs);
    } else {
        overallBar_->SetText(QString());
        overallBar_->HandleMessage(PBM_SETMARQUEE, 0, 0);
        overallBar_->HandleMessage(PBM_SETPOS, 0, 0);
    }
}

void CKivDownloadControllerDlg::ShowOverallRange() {
    // The bar shows the model's share of the run in percent; "n / N" is its text.
    overallBar_->HandleMessage(PBM_SETRANGE32, 0, 100);
    overallBar_->HandleMessage(PBM_SETPOS, 0, 0);
    overallBar_->HandleMessage(PBM_SETMARQUEE, 0, 0);
    overallBar_->HandleMessage(TPM_SETMARQUEEWIDTH, kFullBlockPercent, 0);
    overallBar_->show();
}

void CKivDownloadControllerDlg::ShowOverallPos() {
    const DialogBar overall = model_.Overall();
    if (overall.busy || overallBar_->Upper() != 100) {
        return;  // no range given yet
    }
    if (overall.percent != overallBar_->GetPos()) {
        overallBar_->HandleMessage(PBM_SETPOS, static_cast<win::WPARAM>(overall.percent), 0);
    }
}

void CKivDownloadControllerDlg::ShowOverallStep(win::WPARAM flag) {
    if (flag == 1) {
        if (cancel_) {
            cancel_->setEnabled(false);
        }
        if (play_) {
            play_->setEnabled(false);
        }
        return;
    }
    if (flag != 0) {
        return;
    }
    ShowOverallPos();
    overallBar_->SetText(FromProcessText(model_.Overall().text));
    overallBar_->repaint();
    status_->setText(FromProcessText(model_.StatusLine()));
    FitToText(status_);
    status_->repaint();
    setWindowTitle(FromProcessText(model_.WindowText()));
}

void CKivDownloadControllerDlg::ShowRateTime(const DialogChanges& changes) {
    if (changes.Has(kPartRate)) {
        update(rateRect_);
    }
    if (changes.Has(kPartTime)) {
        update(timeRect_);
    }
}

void CKivDownloadControllerDlg::OnShowLink() {
    if (link_ == nullptr) {
        return;
    }
    link_->show();
    linkImage_->show();
}

void CKivDownloadControllerDlg::OnDestroyWindow() {
    // The buttons' windows go before the dialog's own.
    for (QPointer<CColorButton>* button : {&play_, &cancel_}) {
        if (*button) {
            (*button)->hide();
            (*button)->deleteLater();
        }
    }
    hide();
}

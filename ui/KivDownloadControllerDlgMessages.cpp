// The download dialog's side of the DLGM_ messages.
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
#include "ui/text/ByteCountText.h"

using namespace kivui;

namespace {

constexpr unsigned kFileNameFormat = 23;
constexpr unsigned kVerificationCompleteIn = 50;
constexpr unsigned kDownloadCompleteIn = 51;
constexpr int kBusyTimerMs = 50;
constexpr int kBusyBlockPercent = 10;
constexpr int kFullBlockPercent = 100;
constexpr int kKeepVisibility = -1;
// The current bar shows at most one byte count per this many milliseconds.
constexpr qint64 kCountFrameMs = 25;

win::ULONGLONG Join64(win::WPARAM low, win::LPARAM high) {
    return (static_cast<win::ULONGLONG>(static_cast<std::uint32_t>(high)) << 32) |
           static_cast<std::uint32_t>(low);
}

void ApplyShowCommand(QWidget* widget, int showCommand) {
    if (showCommand != kKeepVisibility) {
        widget->setVisible(showCommand != win::SW_HIDE);
    }
}

// Messages carry 32-bit signed numbers in their parameters.
long long SignedParam(std::uintptr_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace

std::optional<win::LRESULT> CKivDownloadControllerDlg::HandleMessage(win::UINT message,
                                                                     win::WPARAM wParam,
                                                                     win::LPARAM lParam) {
    switch (message) {
        case DLGM_FILENAME:
            OnFileName(reinterpret_cast<const char*>(wParam));
            return 0;
        case DLGM_STATUS:
            OnStatus(wParam, reinterpret_cast<const char*>(lParam));
            return 0;
        case DLGM_CURRENTBUSY:
            OnCurrentBusy(wParam != 0, static_cast<int>(SignedParam(lParam)));
            return 0;
        case DLGM_CURRENTTOTAL:
            OnCurrentTotal(Join64(wParam, lParam));
            return 0;
        case DLGM_CURRENTPOS:
            OnCurrentPos(Join64(wParam, lParam));
            return 0;
        case DLGM_OVERALLBUSY:
            OnOverallBusy(wParam != 0, static_cast<int>(SignedParam(lParam)));
            return 0;
        case DLGM_OVERALLRANGE:
            OnOverallRange(static_cast<int>(SignedParam(wParam)),
                           static_cast<int>(SignedParam(lParam)));
            return 0;
        case DLGM_OVERALLSTEP:
            OnOverallStep(wParam);
            return 0;
        case DLGM_PLAYBUTTON:
            return 0;  // the Play button stays hidden
        case DLGM_CANCELSIGNAL:
            if (cancelEvent_ != nullptr) {
                win::SetEvent(cancelEvent_);
            }
            return 0;
        case DLGM_RATETIME:
            OnRateTime(SignedParam(wParam), SignedParam(lParam));
            return 0;
        case DLGM_SHOWLINK:
            OnShowLink();
            return 0;
        case win::WM_CLOSE:
            // Close is the cancel command, refused while Cancel is disabled.
            if (closeEnabled_ && cancel_ && cancel_->isEnabled()) {
                OnCancel();
            }
            return 0;
        case win::WM_DESTROY:
            OnDestroyWindow();
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

void CKivDownloadControllerDlg::SetLineText(QLabel* line, const QString& text) {
    line->hide();
    line->setText(text);
    if (line != fileName_) {  // the file name is shortened with an ellipsis instead
        FitToText(line);
    }
    line->show();
}

void CKivDownloadControllerDlg::OnFileName(const char* name) {
    if (name != nullptr) {
        fileNameText_ = FromProcessText(res::FormatString(kFileNameFormat, {std::string(name)}));
        const QString shown =
            fileName_->fontMetrics().elidedText(fileNameText_, Qt::ElideRight, fileName_->width());
        SetLineText(fileName_, shown);
    } else {
        fileName_->hide();
    }
    if (cancel_) {
        cancel_->setEnabled(true);
    }
    closeEnabled_ = true;
}

void CKivDownloadControllerDlg::OnStatus(win::WPARAM mode, const char* text) {
    mode_ = static_cast<int>(mode);
    if (mode != 0 && mode != 1) {
        return;  // only stored
    }
    timeLabel_->setText(LoadQString(mode == 0 ? kDownloadCompleteIn : kVerificationCompleteIn));
    FitToText(timeLabel_);
    statusText_ = text != nullptr ? text : "";
    if (text != nullptr) {
        SetLineText(status_, FromProcessText(statusText_));
    }
}

void CKivDownloadControllerDlg::OnCurrentBusy(bool busy, int showCommand) {
    ForgetWaitingCount();
    ApplyShowCommand(currentLabel_, showCommand);
    ApplyShowCommand(currentBar_, showCommand);
    currentBar_->SetText(QString());
    currentBar_->HandleMessage(PBM_SETPOS, 0, 0);
    if (busy) {
        currentBar_->HandleMessage(PBM_SETRANGE32, 0, 10);
        currentBar_->HandleMessage(PBM_SETMARQUEE, 1, kBusyTimerMs);
        currentBar_->HandleMessage(TPM_SETMARQUEEWIDTH, kBusyBlockPercent, 0);
    } else {
        currentBar_->HandleMessage(PBM_SETMARQUEE, 0, 0);
    }
}

void CKivDownloadControllerDlg::OnCurrentTotal(win::ULONGLONG total) {
    ForgetWaitingCount();
    currentTotal_ = total;
    currentLabel_->show();
    currentBar_->show();
    if (total > 0) {
        currentBar_->HandleMessage(PBM_SETMARQUEE, 0, 0);
        // The byte counts are percentages, whatever range a busy spell left.
        currentBar_->HandleMessage(PBM_SETRANGE32, 0, 100);
        currentBar_->HandleMessage(TPM_SETMARQUEEWIDTH, kFullBlockPercent, 0);
        currentBar_->HandleMessage(PBM_SETPOS, 0, 0);
    } else {
        currentBar_->HandleMessage(PBM_SETMARQUEE, 1, kBusyTimerMs);
        currentBar_->HandleMessage(TPM_SETMARQUEEWIDTH, kBusyBlockPercent, 0);
    }
}

void CKivDownloadControllerDlg::OnCurrentPos(win::ULONGLONG done) {
    if (currentTotal_ == 0) {
        return;
    }
    const bool complete = done == currentTotal_;
    if (complete || !countShown_.isValid() || countShown_.elapsed() >= kCountFrameMs) {
        ShowCurrentPos(done);
        return;
    }
    waitingCount_ = done;
    if (!countFlushArmed_) {
        countFlushArmed_ = true;
        const qint64 wait = kCountFrameMs - countShown_.elapsed();
        QTimer::singleShot(static_cast<int>(std::max<qint64>(wait, 0)), this,
                           [this] { ShowWaitingCount(); });
    }
}

void CKivDownloadControllerDlg::ShowWaitingCount() {
    countFlushArmed_ = false;
    if (waitingCount_) {
        ShowCurrentPos(*waitingCount_);
    }
}

void CKivDownloadControllerDlg::ForgetWaitingCount() {
    // A count of the file before must not reach the bar after its reset.
    waitingCount_.reset();
    countShown_.invalidate();
}

void CKivDownloadControllerDlg::ShowCurrentPos(win::ULONGLONG done) {
    waitingCount_.reset();
    countShown_.start();
    const std::optional<CurrentFileText> text = FormatCurrentFile(done, currentTotal_);
    if (!text) {
        return;
    }
    // The new text is painted with the window's next paint; setting the
    // position paints the bar at once, so it is set only when it moves.
    currentBar_->SetText(FromProcessText(text->text));
    if (text->percent != currentBar_->GetPos()) {
        currentBar_->HandleMessage(PBM_SETPOS, static_cast<win::WPARAM>(text->percent), 0);
    }
    if (text->complete) {
        currentBar_->repaint();
    }
}

void CKivDownloadControllerDlg::OnOverallBusy(bool busy, int showCommand) {
    ApplyShowCommand(overallBar_, showCommand);
    if (busy) {
        overallBar_->HandleMessage(PBM_SETRANGE32, 0, 10);
        overallBar_->HandleMessage(PBM_SETMARQUEE, 1, kBusyTimerMs);
    } else {
        overallBar_->SetText(QString());
        overallBar_->HandleMessage(PBM_SETMARQUEE, 0, 0);
        overallBar_->HandleMessage(PBM_SETPOS, 0, 0);
    }
}

void CKivDownloadControllerDlg::OnOverallRange(int lower, int upper) {
    overallBar_->HandleMessage(PBM_SETRANGE32, static_cast<win::WPARAM>(lower), upper);
    overallBar_->HandleMessage(PBM_SETPOS, 0, 0);
    overallBar_->HandleMessage(PBM_SETMARQUEE, 0, 0);
    overallBar_->HandleMessage(TPM_SETMARQUEEWIDTH, kFullBlockPercent, 0);
    overallBar_->show();
}

void CKivDownloadControllerDlg::OnOverallStep(win::WPARAM flag) {
    if (flag == 1) {
        if (cancel_) {
            cancel_->setEnabled(false);
        }
        if (play_) {
            play_->setEnabled(false);
        }
        return;
    }
    overallBar_->HandleMessage(PBM_STEPIT, 0, 0);
    const int done = overallBar_->GetPos();
    const int total = overallBar_->Upper();
    overallBar_->SetText(FromProcessText(res::FormatText("%d / %d", {done, total})));
    overallBar_->repaint();
    status_->setText(FromProcessText(res::FormatText("%s(%d/%d)", {statusText_, done, total})));
    FitToText(status_);
    status_->repaint();
    setWindowTitle(FromProcessText(res::FormatText("%s(%d/%d)", {caption_, done, total})));
}

void CKivDownloadControllerDlg::OnRateTime(long long rate, long long seconds) {
    const CRateTimeFields::Changes changes = fields_.Apply(rate, seconds);
    if (changes.rate) {
        update(rateRect_);
    }
    if (changes.time) {
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

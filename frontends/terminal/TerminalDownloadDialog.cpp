#include "frontends/terminal/TerminalDownloadDialog.h"

#include "frontends/terminal/TerminalLabels.h"
#include "frontends/terminal/TerminalText.h"
#include "platform/Event.h"
#include "platform/Mutex.h"
#include "platform/Timer.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace kivterm {

namespace {

constexpr win::DWORD kCancelLockRetryMs = 10;

bool TryTake(win::HANDLE mutex) {
    const win::DWORD result = win::WaitForSingleObject(mutex, 0);
    return result == win::WAIT_OBJECT_0 || result == win::WAIT_ABANDONED_0;
}

}  // namespace

CTerminalDownloadDialog::CTerminalDownloadDialog(CTerminalConsole& console,
                                                 CTerminalMessageBoxService& boxes,
                                                 CTerminalCancel& cancel, CTerminalRunLog& log,
                                                 bool quiet)
    : console_(console),
      boxes_(boxes),
      cancel_(cancel),
      log_(log),
      quiet_(quiet),
      view_(LoadTerminalLabels()) {}

CTerminalDownloadDialog::~CTerminalDownloadDialog() {
    if (window_ != nullptr && win::IsWindow(window_)) win::DestroyWindow(window_);
}

bool CTerminalDownloadDialog::Create(win::HWND parent) {
    window_ = win::CreateWindow(
        [this](win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            return WindowProc(hwnd, message, wParam, lParam);
        },
        "", win::WS_CHILD, parent);
    if (window_ == nullptr) return false;
    lastShown_ = std::chrono::steady_clock::now();
    if (!quiet_) {
        const win::UINT interval = console_.LiveDisplay() ? kFrameIntervalMs : kLineIntervalMs;
        win::SetTimer(window_, kRedrawTimer, interval);
    }
    return true;
}

void CTerminalDownloadDialog::Configure(const std::string& caption, win::HANDLE cancelEvent,
                                        win::HANDLE pauseMutex, const std::string& helpLink) {
    caption_ = caption;
    model_.SetCaption(caption);
    if (window_ != nullptr) win::SetWindowText(window_, caption);
    cancelEvent_ = cancelEvent;
    pauseMutex_ = pauseMutex;
    view_ = CTerminalDialogView(LoadTerminalLabels());
    helpLink_ = helpLink;
    cancel_.AttachDialog(window_, cancelEvent);
}

win::LRESULT CTerminalDownloadDialog::WindowProc(win::HWND hwnd, win::UINT message,
                                                 win::WPARAM wParam, win::LPARAM lParam) {
    switch (message) {
        case win::WM_TIMER:
            if (wParam == kRedrawTimer) OnTimer();
            return 0;
        case DLGM_CANCELSIGNAL:
            if (cancelEvent_ != nullptr) win::SetEvent(cancelEvent_);
            return 0;
        case kTerminalInterrupt:
            OnInterrupt();
            return 0;
        case win::WM_CLOSE:
            // Close is the cancel command, refused while Cancel is disabled.
            if (model_.CancelEnabled()) OnCancelCommand();
            return 0;
        case win::WM_DESTROY:
            OnDestroy();
            return 0;
        default:
            break;
    }
    if ((message >= DLGM_FILENAME && message <= DLGM_SHOWLINK) || message == DLGM_RUNBYTES) {
        OnChange(model_.Apply(message, wParam, lParam));
        if (message == DLGM_OVERALLSTEP && wParam == 1) {
            runEnded_ = true;  // the end of the run: what follows are messages and the summary
            console_.EndLive();
        }
        return 0;
    }
    return win::DefWindowProc(hwnd, message, wParam, lParam);
}

// Applying a message only marks the display: the numbers of every chunk are
// drawn at the next tick, at most.
void CTerminalDownloadDialog::OnChange(const kivui::DialogChanges& changes) {
    if (!changes.Any()) return;
    dirty_ = true;
    // A new status (not the same one again for the next file) is a line of the log.
    if (changes.Has(kivui::kPartStatus) && !model_.StatusText().empty() &&
        model_.StatusText() != lastStatus_) {
        lastStatus_ = model_.StatusText();
        log_.Note(ToTerminal(lastStatus_));
    }
    if (changes.Has(kivui::kPartLink) && !linkPrinted_ && !helpLink_.empty()) {
        linkPrinted_ = true;
        log_.Note(view_.LinkLine(helpLink_));
    }
    // A new file or a finished one is shown at once on a terminal, so that the
    // display does not lag behind the log's lines; numbers wait for their time.
    const bool landmark =
        changes.Milestone() || (changes.Has(kivui::kPartCurrent) && model_.CurrentComplete());
    if ((landmark && console_.LiveDisplay()) || DisplayDue()) OnTimer();
}

bool CTerminalDownloadDialog::DisplayDue() const {
    const auto interval =
        std::chrono::milliseconds(console_.LiveDisplay() ? kFrameIntervalMs : kLineIntervalMs);
    return std::chrono::steady_clock::now() - lastShown_ >= interval;
}

void CTerminalDownloadDialog::OnTimer() {
    if (quiet_ || runEnded_) return;
    lastShown_ = std::chrono::steady_clock::now();
    if (!console_.LiveDisplay()) {
        PrintProgressLine();
        return;
    }
    if (!dirty_ && !CTerminalDialogView::Animates(model_)) return;
    ++tick_;
    dirty_ = false;
    ShowLive();
}

void CTerminalDownloadDialog::ShowLive() {
    console_.ShowLive(view_.Live(model_, console_.Columns() - 1, tick_));
}

void CTerminalDownloadDialog::PrintProgressLine() {
    if (!dirty_ || !model_.FileShown() || model_.Current().text.empty()) return;
    dirty_ = false;
    const std::string line = view_.ProgressLine(model_);
    if (line.empty() || line == lastProgressLine_) return;
    lastProgressLine_ = line;
    console_.WriteLine(line);
}

void CTerminalDownloadDialog::OnInterrupt() {
    // With Cancel not offered (before the first file, after the end) there
    // is no question to ask, and Ctrl+C must still stop the run.
    if (!cancel_.Signalled()) {
        if (model_.CancelEnabled()) {
            OnCancelCommand();
        } else {
            cancel_.Signal();
        }
    }
    cancel_.InterruptHandled();
}

void CTerminalDownloadDialog::OnCancelCommand() {
    // The worker's cancel check passes through the lock; while we hold it
    // the transfer stands still. Held elsewhere for long: the request is dropped.
    const bool locked = pauseMutex_ == nullptr || TryTake(pauseMutex_) ||
                        (win::Sleep(kCancelLockRetryMs), TryTake(pauseMutex_));
    if (!locked) return;
    const std::string question = model_.Mode() == 1
                                     ? res::FormatString(textid::kVerifyingWarning, {caption_}) +
                                           res::FormatString(textid::kCloseQuestion, {caption_})
                                     : res::LoadString(textid::kCancelDownloadQuestion);
    const int answer = boxes_.Ask(question, caption_, MB_YESNO | MB_ICONEXCLAMATION, IDYES);
    if (answer != IDNO && answer != IDDISMISSED) {
        model_.DisableCancel();
        dirty_ = true;
        cancel_.Signal();
        if (cancelEvent_ != nullptr) win::SetEvent(cancelEvent_);
    }
    if (pauseMutex_ != nullptr) win::ReleaseMutex(pauseMutex_);
}

void CTerminalDownloadDialog::OnDestroy() {
    win::KillTimer(window_, kRedrawTimer);
    console_.EndLive();
    cancel_.DetachDialog(window_);
}

}  // namespace kivterm

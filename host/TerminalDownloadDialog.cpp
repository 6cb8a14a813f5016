#include "host/TerminalDownloadDialog.h"

#include "host/TerminalLabels.h"
#include "platform/Event.h"
#include "platform/Mutex.h"
#include "platform/Timer.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "resources/StringTable.h"

namespace kivterm {

namespace {

constexpr unsigned kCancelQuestion = 25;       // "Cancel file download?"
constexpr unsigned kCloseQuestion = 26;        // "Close %s?"
constexpr unsigned kVerificationWarning = 53;  // "Verifying downloaded files. ..."
constexpr win::DWORD kCancelLockRetryMs = 10;

bool TryTake(win::HANDLE mutex) {
    const win::DWORD result = win::WaitForSingleObject(mutex, 0);
    return result == win::WAIT_OBJECT_0 || result == win::WAIT_ABANDONED_0;
}

}  // namespace

CTerminalDownloadDialog::CTerminalDownloadDialog(CTerminalConsole& console,
                                                 CTerminalMessageBoxService& boxes,
                                                 CTerminalCancel& cancel)
    : console_(console), boxes_(boxes), cancel_(cancel), view_(LoadTerminalLabels(), "") {}

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
    console_.SetDisplaySource([this] { return Display(); });
    const win::UINT interval = console_.DrawsFrames() ? kFrameIntervalMs : kLineIntervalMs;
    win::SetTimer(window_, kRedrawTimer, interval);
    return true;
}

void CTerminalDownloadDialog::Configure(const std::string& caption, win::HANDLE cancelEvent,
                                        win::HANDLE pauseMutex, const std::string& helpLink) {
    caption_ = caption;
    model_.SetCaption(caption);
    if (window_ != nullptr) win::SetWindowText(window_, caption);
    cancelEvent_ = cancelEvent;
    pauseMutex_ = pauseMutex;
    view_ = CTerminalDialogView(LoadTerminalLabels(), helpLink);
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
    if (message >= DLGM_FILENAME && message <= DLGM_SHOWLINK) {
        OnChange(model_.Apply(message, wParam, lParam));
        return 0;
    }
    return win::DefWindowProc(hwnd, message, wParam, lParam);
}

void CTerminalDownloadDialog::OnChange(ModelChange change) {
    if (change == ModelChange::None) return;
    frameDirty_ = true;
    if (console_.DrawsFrames()) return;  // drawn at the next tick
    if (change == ModelChange::Milestone) PrintLineIfChanged(false);
    const std::string link = view_.LinkLine(model_);
    if (!link.empty() && !linkPrinted_) {
        linkPrinted_ = true;
        console_.WriteDisplayLine(link);
    }
}

void CTerminalDownloadDialog::OnTimer() {
    if (!console_.DrawsFrames()) {
        PrintLineIfChanged(true);
        return;
    }
    if (!frameDirty_ && !CTerminalDialogView::Animates(model_)) return;
    ++tick_;
    frameDirty_ = false;
    console_.ShowFrame(Frame());
}

std::vector<std::string> CTerminalDownloadDialog::Frame() const {
    return view_.Frame(model_, console_.Columns(), tick_);
}

std::vector<std::string> CTerminalDownloadDialog::Display() {
    if (console_.DrawsFrames()) return Frame();
    std::optional<std::string> line = NewLine(true);
    if (!line) return {};
    return {*line};
}

std::optional<std::string> CTerminalDownloadDialog::NewLine(bool progress) {
    std::string line = view_.PlainLine(model_, progress);
    if (line.empty() || line == lastLine_) return std::nullopt;
    lastLine_ = line;
    return line;
}

void CTerminalDownloadDialog::PrintLineIfChanged(bool progress) {
    if (std::optional<std::string> line = NewLine(progress)) console_.WriteDisplayLine(*line);
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
                                     ? res::FormatString(kVerificationWarning, {caption_}) +
                                           res::FormatString(kCloseQuestion, {caption_})
                                     : res::LoadString(kCancelQuestion);
    const int answer = boxes_.Ask(question, caption_, MB_YESNO | MB_ICONEXCLAMATION, IDYES);
    if (answer != IDNO && answer != IDDISMISSED) {
        model_.DisableCancel();
        frameDirty_ = true;
        cancel_.Signal();
        if (cancelEvent_ != nullptr) win::SetEvent(cancelEvent_);
    }
    if (pauseMutex_ != nullptr) win::ReleaseMutex(pauseMutex_);
}

void CTerminalDownloadDialog::OnDestroy() {
    win::KillTimer(window_, kRedrawTimer);
    if (console_.DrawsFrames()) {
        console_.ShowFrame(Frame());
        console_.EndFrame();
    } else {
        PrintLineIfChanged(true);
    }
    console_.ClearDisplaySource();
    cancel_.DetachDialog(window_);
}

}  // namespace kivterm

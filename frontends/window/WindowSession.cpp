#include "frontends/window/WindowSession.h"

#include <QThread>
#include <optional>
#include <string>

#include "frontends/window/WindowBrowserHost.h"
#include "frontends/window/WindowFrame.h"
#include "frontends/window/WindowPageView.h"
#include "host/ExitStatus.h"
#include "platform/Message.h"
#include "platform/ThreadDispatcher.h"
#include "transfer/ControlMessages.h"
#include "transfer/ErrorCodes.h"
#include "ui/QtText.h"

using kivcontrol::ControlServices;
using kivcontrol::IPropertyBag;

namespace {}  // namespace

int WindowRunStatus(int errorCode, bool runEnded) {
    if (errorCode == errcode::kCancelled) return kExitCancelled;
    if (errorCode != errcode::kNone) return kExitFailure;
    return runEnded ? kExitSuccess : kExitCancelled;
}

CWindowSession::CWindowSession(CWindowFrame& frame, CWindowBrowserHost& browser,
                               std::function<void(int)> finished, WindowSessionTimings timings)
    : frame_(frame), browser_(browser), finished_(std::move(finished)), timings_(timings) {
    poll_.setInterval(static_cast<int>(timings_.pollMs));
    QObject::connect(&poll_, &QTimer::timeout, &context_, [this] { Poll(); });
}

CWindowSession::~CWindowSession() {
    poll_.stop();
    // A session torn down early still lets its control go the safe way.
    if (control_) control_->Close([keep = std::move(keepServices_)] {});
}

void CWindowSession::Start(com::ComPtr<com::IKivDownloadControl> control,
                           const ControlServices& services, const IPropertyBag& page,
                           std::shared_ptr<void> keepServices) {
    // Start runs just outside the loop that will serve the window.
    loopLevel_ = QThread::currentThread()->loopLevel() + 1;
    stage_ = Stage::Running;
    control_ = std::move(control);
    keepServices_ = std::move(keepServices);
    win::HWND window = nullptr;
    bool started = com::SUCCEEDED(control_->Initialize(services)) &&
                   com::SUCCEEDED(control_->LoadProperties(page));
    if (started) {
        NameApplication();
        started = com::SUCCEEDED(control_->CreateControlWindow(frame_.PageView().Hwnd(), &window));
    }
    if (!started) {
        // Without a window nothing runs and nothing was reported.
        startFailed_ = true;
        stage_ = Stage::Unloading;
        Close();
        return;
    }
    if (frame_.PageView().DialogWindow() == nullptr) {
        // Window creation failed before the dialog and posted its report:
        // show it now. Nothing runs and nobody would ask the window to close.
        win::DispatchPendingMessages();
        BeginLeave();
    }
}

void CWindowSession::NameApplication() {
    // Boxes without a title of their own are titled with the page's caption.
    std::string caption;
    if (com::SUCCEEDED(control_->GetCaption(&caption))) kivui::SetApplicationName(caption);
}

void CWindowSession::RequestLeave() {
    if (stage_ == Stage::Running) BeginLeave();
}

void CWindowSession::RequestQuit() {
    QTimer::singleShot(0, &context_, [this] {
        switch (stage_) {
            case Stage::Running:
                runEnded_ = true;
                BeginLeave();
                return;
            case Stage::Asking:
                quitPending_ = true;  // the answer decides; Stay then still quits
                return;
            case Stage::Unloading:
                runStopped_ = true;  // the run has reported how it stopped
                return;
            default:
                return;
        }
    });
}

void CWindowSession::Stop() {
    // A stop signal leaves the page as the user's Leave would.
    PageGone();
}

void CWindowSession::PageBeforeUnload() {
    // The page asks nothing; whatever the control sets is for no one.
    if (stage_ == Stage::Running) browser_.FireBeforeUnload();
}

std::optional<std::string> CWindowSession::PageLeaveQuestionOpened() {
    // Fired only while there is something to protect: with nothing, the
    // control would cancel the run at once, though the user may yet stay.
    if (stage_ != Stage::Running || !LeaveGuarded()) return std::nullopt;
    std::optional<std::string> leaveText = browser_.FireBeforeUnload();
    stage_ = Stage::Asking;
    browserAsking_ = true;
    browser_.SetLeaveQuestionOpen(true);
    return leaveText;
}

void CWindowSession::PageLeaveQuestionClosed() {
    if (stage_ != Stage::Asking || !browserAsking_) return;
    browserAsking_ = false;
    OnAnswer(false);
}

void CWindowSession::PageGone() {
    if (stage_ == Stage::Asking) {
        if (browserAsking_) {
            browserAsking_ = false;
            OnAnswer(true);
        } else {
            question_.AnswerLeave();
        }
        return;
    }
    if (stage_ != Stage::Running) return;
    // Nothing to protect: the control lets the page go and cancels; a
    // running transfer is stopped by the unload that follows at once.
    browser_.FireBeforeUnload();
    Unload();
}

bool CWindowSession::LeaveGuarded() const {
    bool guarded = false;
    return control_ && com::SUCCEEDED(control_->GetLeaveGuard(&guarded)) && guarded;
}

void CWindowSession::BeginLeave() {
    const std::optional<std::string> leaveText = browser_.FireBeforeUnload();
    if (!leaveText) {
        Unload();
        return;
    }
    stage_ = Stage::Asking;
    browser_.SetLeaveQuestionOpen(true);
    question_.Open(&frame_, *leaveText, [this](bool leave) { OnAnswer(leave); });
}

void CWindowSession::OnAnswer(bool leave) {
    browser_.SetLeaveQuestionOpen(false);
    if (leave) {
        Unload();
        return;
    }
    stage_ = Stage::Running;
    if (quitPending_) {
        quitPending_ = false;
        runEnded_ = true;
        BeginLeave();
    }
}

void CWindowSession::Unload() {
    stage_ = Stage::Unloading;
    // The control's unload waits for the chunk in progress, which a stalled
    // server can hold for a whole read time-out while the window stands
    // still. The run is to stop either way: told first, the read ends at once.
    const win::HWND dialog = frame_.PageView().DialogWindow();
    if (dialog != nullptr) win::SendMessage(dialog, DLGM_CANCELSIGNAL, 0, 0);
    browser_.FireUnload();
    stageClock_.start();
    poll_.start();
}

void CWindowSession::Poll() {
    switch (stage_) {
        case Stage::Unloading:
            if (InsideNestedLoop()) return;
            if (RunStopped() || stageClock_.elapsed() >= timings_.runEndMs) Close();
            return;
        case Stage::Closing:
            if (*released_ || stageClock_.elapsed() >= timings_.releaseMs) Finish();
            return;
        default:
            poll_.stop();
            return;
    }
}

bool CWindowSession::RunStopped() const {
    // A run that is stopped reports it to the control, which then asks the
    // browser to quit, or closes its dialog when the page was already going
    // without a question. The worker is then in its last steps, which the
    // control's teardown waits for, and its error state is final.
    return runEnded_ || runStopped_ || frame_.PageView().DialogWindow() == nullptr;
}

bool CWindowSession::InsideNestedLoop() const {
    // A box the control shows from one of its handlers runs a loop of its
    // own; closing the control then would pull it away from under that handler.
    return QThread::currentThread()->loopLevel() > loopLevel_;
}

void CWindowSession::Close() {
    std::int32_t errorCode = errcode::kNone;
    std::int32_t lastError = 0;
    const bool known = com::SUCCEEDED(control_->GetErrorState(&errorCode, &lastError));
    status_ = startFailed_ || !known ? kExitFailure : WindowRunStatus(errorCode, runEnded_);
    stage_ = Stage::Closing;
    released_ = std::make_shared<std::atomic<bool>>(false);
    com::ComPtr<com::IKivDownloadControl> control = std::move(control_);
    control->Close([released = released_, keep = std::move(keepServices_)] { *released = true; });
    stageClock_.start();
    poll_.start();
    Poll();
}

void CWindowSession::Finish() {
    poll_.stop();
    stage_ = Stage::Ended;
    frame_.CloseForGood();
    if (finished_) finished_(status_);
}

#include "frontends/terminal/TerminalCancel.h"

#include "frontends/terminal/TerminalInterrupt.h"
#include "platform/Event.h"
#include "platform/Message.h"

namespace kivterm {

void CTerminalCancel::AttachDialog(win::HWND dialog, win::HANDLE cancelEvent) {
    std::lock_guard lock(mutex_);
    dialog_ = dialog;
    cancelEvent_ = cancelEvent;
    // Ctrl+C before the run had its dialog still counts.
    if (signalled_ && cancelEvent_ != nullptr) win::SetEvent(cancelEvent_);
}

void CTerminalCancel::DetachDialog(win::HWND dialog) {
    std::lock_guard lock(mutex_);
    if (dialog_ == dialog) dialog_ = nullptr;
}

void CTerminalCancel::OnInterrupt() {
    if (console_.InterruptQuestion()) {
        Signal();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        const bool ask = askFirst_ && console_.Interactive() && !signalled_;
        if (ask && !questionRequested_ && dialog_ != nullptr &&
            win::PostMessage(dialog_, kTerminalInterrupt, 0, 0) != win::FALSE) {
            questionRequested_ = true;
            return;
        }
    }
    Signal();
}

void CTerminalCancel::OnTerminate() {
    console_.InterruptQuestion();
    Signal();
}

void CTerminalCancel::InterruptHandled() {
    std::lock_guard lock(mutex_);
    questionRequested_ = false;
}

void CTerminalCancel::Signal() {
    signalled_ = true;
    CTerminalInterrupt::ArmImmediateExit();
    std::lock_guard lock(mutex_);
    // A closed handle fails harmlessly: handles are never reused.
    if (cancelEvent_ != nullptr) win::SetEvent(cancelEvent_);
}

}  // namespace kivterm

#pragma once
// Where Ctrl+C goes. During a question it cancels at once: the question ends
// with its interrupt answer and the run's cancel event is set. Otherwise, when
// someone can be asked, the download dialog gets its cancel command (the
// question "Cancel file download?" under the pause mutex); a second Ctrl+C
// before or during that question, or any Ctrl+C when nobody can be asked,
// cancels at once. SIGTERM and SIGHUP always cancel at once. Once cancelled,
// a further signal ends the process (CTerminalInterrupt::ArmImmediateExit).
#include <atomic>
#include <mutex>

#include "frontends/terminal/TerminalConsole.h"
#include "platform/KernelTypes.h"
#include "platform/WindowTypes.h"
#include "transfer/ControlMessages.h"

namespace kivterm {

// Posted to the dialog window: the user pressed Ctrl+C.
constexpr UINT kTerminalInterrupt = WM_APP + 64;

class CTerminalCancel {
public:
    // `askFirst` false (--yes): Ctrl+C never asks.
    CTerminalCancel(CTerminalConsole& console, bool askFirst)
        : console_(console), askFirst_(askFirst) {}

    // Window thread: the dialog and the run's cancel event. The event stays
    // known after the dialog has gone: the run may still be winding down.
    void AttachDialog(win::HWND dialog, win::HANDLE cancelEvent);
    void DetachDialog(win::HWND dialog);

    // Any thread (the interrupt watcher).
    void OnInterrupt();
    // SIGTERM or SIGHUP: cancels at once, never asks; an open question ends
    // with its interrupt answer.
    void OnTerminate();
    // The dialog has finished with a kTerminalInterrupt.
    void InterruptHandled();

    // Sets the cancel event and arms the immediate exit.
    void Signal();
    bool Signalled() const { return signalled_; }

private:
    CTerminalConsole& console_;
    const bool askFirst_;
    std::mutex mutex_;
    win::HWND dialog_ = nullptr;
    win::HANDLE cancelEvent_ = nullptr;
    bool questionRequested_ = false;
    std::atomic<bool> signalled_{false};
};

}  // namespace kivterm

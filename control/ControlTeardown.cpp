// Teardown of the control and its deferred release. The worker may still be
// running when the window thread lets go of the control: it keeps the run's
// state alive through its own reference, and the control object itself is
// deleted only when the worker has ended.
#include <algorithm>
#include <chrono>
#include <utility>

#include "control/KivDownloadControllerCtrl.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace kivcontrol {

bool CKivDownloadControllerCtrl::Teardown() {
    KIV_CHECK_THREAD(windowThread_);
    CControlRun& run = *run_;
    if (!run.Aborted()) run.SignalCancel();
    bool workerEnded = true;
    if (worker_.IsValid()) {
        workerEnded = WaitForWorker();
        worker_.Close();
    }
    run.CloseDialog();
    run.CloseInstanceMutex();
    if (pageConnected_) {
        run.Services().browser->DisconnectPageEvents(eventCookie_);
        eventCookie_ = 0;
        pageConnected_ = false;
    }
    // A worker still running uses the items and the kernel objects; they then
    // go with the run when the worker lets go of it.
    if (workerEnded) run.ReleaseRunResources();
    return workerEnded;
}

// Waits on the window thread; every wait of the window layer serves the
// sends to this thread's windows, so a worker sending to the dialog or the
// control meanwhile is answered instead of deadlocking. Without a network
// read in progress the worker reaches its next cancel check soon and the wait
// has no limit; a blocked read gets the grace. Question boxes the worker has
// open (or opens after the cancel) are closed as the wait goes on, since a
// modal box on the worker's thread would otherwise hold it for ever.
bool CKivDownloadControllerCtrl::WaitForWorker() {
    using Clock = std::chrono::steady_clock;
    CControlRun& run = *run_;
    const ControlTimings& timings = run.ControlTiming();
    const bool limited = !run.TakeReadGateForTeardown();
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(timings.teardownGraceMs);
    for (;;) {
        run.DismissWorkerQuestions();
        win::DWORD slice = std::max<win::DWORD>(timings.teardownPollMs, 1);
        if (limited) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            slice = std::min<win::DWORD>(slice, static_cast<win::DWORD>(left.count()));
        }
        const win::DWORD result = win::WaitForSingleObject(worker_.Handle(), slice);
        if (result == win::WAIT_OBJECT_0) return true;
        if (result != win::WAIT_TIMEOUT) return false;  // unknown: treat it as still running
    }
}

void ControlRelease::operator()(CKivDownloadControllerCtrl* control) const {
    ReleaseControl(ControlPtr(control));
}

void ReleaseControl(ControlPtr control, std::function<void()> released) {
    CKivDownloadControllerCtrl* raw = control.release();
    if (raw == nullptr) {
        if (released) released();
        return;
    }
    const bool workerEnded = raw->Teardown();
    if (win::IsWindow(raw->window_)) win::DestroyWindow(raw->window_);
    std::function<void()> finalRelease = [raw, released = std::move(released)] {
        delete raw;
        if (released) released();
    };
    if (!workerEnded) {
        // Kept for the worker; given back when it ended in the meantime.
        const std::shared_ptr<CControlRun> run = raw->run_;
        finalRelease = run->RunWhenWorkerEnds(std::move(finalRelease));
    }
    if (finalRelease) finalRelease();
}

}  // namespace kivcontrol

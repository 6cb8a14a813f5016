#include "transfer/LeavePromptPause.h"

#include "transfer/RateMeter.h"

void PauseWhileLeavePromptIsOpen(IDownloadControl& control,
                                 const std::function<void()>& undelivered) {
    bool paused = false;
    while (control.TakeLeavePromptPending()) {
        paused = true;
        const TransferTimings& timings = control.Timings();
        control.Sleep(timings.leavePromptPauseMs);
        LRESULT answer = 0;
        if (control.ControlWindowExists() &&
            control.AskBrowserDialogOpen(timings.browserDialogTimeoutMs, answer)) {
            if (answer != 0) {
                control.SetLeavePromptPending();
            }
        } else if (undelivered) {
            undelivered();
        }
    }
    if (paused) {
        // The pause is not transfer or hashing time: the rate starts over.
        control.Meter().Restart();
    }
}

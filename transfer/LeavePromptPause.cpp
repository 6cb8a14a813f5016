#include "transfer/LeavePromptPause.h"

#include "transfer/RateMeter.h"

namespace kivtransfer {

bool PauseWhileLeavePromptIsOpen(IDownloadControl& control,
                                 const std::function<bool()>& stopWhenUndelivered) {
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
        } else if (stopWhenUndelivered && stopWhenUndelivered()) {
            return false;
        }
    }
    if (paused) {
        // The pause is not transfer or hashing time: the rate starts over.
        control.Meter().Restart();
    }
    return true;
}

}  // namespace kivtransfer

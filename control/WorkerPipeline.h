#pragma once
// The worker thread's procedure: the five phases of a run in order
// (destination, download, verification, finalisation, completion), a cancel
// check after each, the first failure kept and handed to the control window
// as CTLM_RUNFAILED with the phase number.
#include <cstdint>
#include <functional>
#include <string>

#include "transfer/ControlMessages.h"
#include "transfer/ErrorState.h"

namespace kivcontrol {

// What the pipeline needs of the control. The worker thread calls it.
class IWorkerContext {
public:
    virtual ~IWorkerContext() = default;

    virtual kivtransfer::ErrorState& Error() = 0;
    // Passes through the pause mutex; true when the run is cancelled or the
    // dialog's window is gone.
    virtual bool IsCancelled() = 0;
    virtual std::int32_t ItemCount() const = 0;
    virtual const std::string& HelpLink() const = 0;

    virtual LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Posts to the control's window while it exists; false otherwise.
    virtual bool PostToControl(UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // True from the start of the download phase to the end of completion.
    virtual void SetTransferActive(bool active) = 0;
    // The pause after a successful run, before the worker ends.
    virtual void CompletionPause() = 0;
    // The assistant program ended during the run (its error, 402, outlives
    // the cancel code a phase sets as it stops).
    virtual bool AssistantEnded() const { return false; }
};

// The work of phases 1 to 4; each returns success and on failure has set the
// error state. The destination step is only the folder question itself: the
// pipeline adds the item check, the progress bar and the status text around it.
struct WorkerPhases {
    std::function<bool()> destination;
    std::function<bool()> download;
    std::function<bool()> verification;
    std::function<bool()> finalisation;
    // The protected layout only: greets the assistant program before phase 1;
    // false (error 401 set) ends the run with phase 0.
    std::function<bool()> greeting;
};

// Runs one download run; returns the thread's exit code, 0. Never throws:
// out of memory becomes error 10, any other escaping exception error 999.
std::uint32_t RunWorker(IWorkerContext& context, const WorkerPhases& phases);

}  // namespace kivcontrol

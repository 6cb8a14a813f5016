#include "control/WorkerPipeline.h"

#include <new>
#include <string>

#include "control/ErrorMessage.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivtransfer::ErrorState;

namespace {

constexpr LPARAM kShow = 5;  // SW_SHOW

void SendStatus(IWorkerContext& context, unsigned stringId) {
    // Sent, not posted: the dialog reads the text while the worker waits.
    const std::string text = res::LoadString(stringId);
    context.SendToDialog(DLGM_STATUS, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool DestinationPhase(IWorkerContext& context, const WorkerPhases& phases) {
    if (context.ItemCount() <= 0) {
        context.Error().Set(errcode::kInternalError);
        return false;
    }
    context.PostToDialog(DLGM_OVERALLBUSY, 0, kShow);
    const bool chosen = phases.destination && phases.destination();
    // A request the assistant never got is an error of its own, not a cancel.
    const bool requestNotSent =
        phases.greeting && context.Error().errorCode == errcode::kInternalError;
    if (!chosen && !requestNotSent) SendStatus(context, textid::kDownloadCancelled);
    return chosen;
}

// Good files still get their final names when others are corrupted; the run
// then ends with the verification's failure, not with finalisation's.
bool VerificationPhase(IWorkerContext& context, const WorkerPhases& phases) {
    if (phases.verification()) return true;
    if (context.Error().errorCode == errcode::kFilesBroken) {
        const ErrorState corrupted = context.Error();
        phases.finalisation();
        context.Error() = corrupted;
    }
    return false;
}

bool CompletionPhase(IWorkerContext& context) {
    SendStatus(context, textid::kAllFilesCompleted);
    context.SendToDialog(DLGM_OVERALLSTEP, 1, 0);
    return context.PostToControl(CTLM_RUNDONE, 0, 0);
}

bool RunPhase(IWorkerContext& context, const WorkerPhases& phases, int phase) {
    switch (phase) {
        case kPhaseDestination:
            return DestinationPhase(context, phases);
        case kPhaseDownload:
            return phases.download();
        case kPhaseVerification:
            return VerificationPhase(context, phases);
        case kPhaseFinalisation:
            return phases.finalisation();
        default:
            return CompletionPhase(context);
    }
}

// Runs the phases in order; false with `phase` at the one that failed.
bool RunPhases(IWorkerContext& context, const WorkerPhases& phases, int& phase) {
    for (phase = kPhaseDestination; phase <= kPhaseCompletion; ++phase) {
        if (phase == kPhaseDownload) context.SetTransferActive(true);
        bool succeeded = RunPhase(context, phases, phase);
        if (phase == kPhaseCompletion) context.SetTransferActive(false);
        // A cancel wins over the phase's own outcome, so a cancelled run shows
        // nothing; only the assistant's end keeps its own message.
        if (context.IsCancelled()) {
            succeeded = false;
            // A phase stopping on the cancel may have put its own code over 402.
            if (context.AssistantEnded()) {
                context.Error().Set(errcode::kAssistantEnded);
            } else if (context.Error().errorCode != errcode::kAssistantEnded) {
                context.Error().Set(errcode::kCancelled);
            }
            // The phase may have said "cancelled" on the status line; the
            // assistant's end is a failure, and the line says so.
            if (context.Error().errorCode == errcode::kAssistantEnded) {
                SendStatus(context, textid::kDownloadError);
            }
        }
        if (!succeeded) return false;
    }
    return true;
}

void ReportFailure(IWorkerContext& context, int phase, std::int32_t code) {
    context.Error().Set(code);
    context.PostToControl(CTLM_RUNFAILED, static_cast<WPARAM>(phase), 0);
}

}  // namespace

std::uint32_t RunWorker(IWorkerContext& context, const WorkerPhases& phases) {
    int phase = kPhaseStart;
    try {
        if (!context.HelpLink().empty()) context.SendToDialog(DLGM_SHOWLINK, 0, 0);
        if (phases.greeting && !phases.greeting()) {
            context.PostToControl(CTLM_RUNFAILED, static_cast<WPARAM>(kPhaseStart), 0);
        } else if (RunPhases(context, phases, phase)) {
            context.CompletionPause();
        } else {
            context.PostToControl(CTLM_RUNFAILED, static_cast<WPARAM>(phase), 0);
        }
    } catch (const std::bad_alloc&) {
        ReportFailure(context, phase, errcode::kOutOfMemory);
    } catch (...) {
        // Nothing may leave a thread body; an unforeseen fault ends the run visibly.
        ReportFailure(context, phase, errcode::kInternalError);
    }
    return 0;
}

}  // namespace kivcontrol

// The control's side of the protected layout: starting the assistant
// program, greeting it, letting it choose the destination, its replies and
// the worker's confinement.
#include <new>
#include <vector>

#include "assistant/AssistantIds.h"
#include "assistant/AssistantRecords.h"
#include "assistant/AssistantReply.h"
#include "assistant/KivDownloadAssistant.h"
#include "control/ControlRun.h"
#include "control/WorkerConfinement.h"
#include "env/PathRules.h"
#include "platform/LastError.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivassistant::AssistantReply;
using kivassistant::BuildContentItemRecord;
using kivassistant::CKivDownloadAssistant;
using kivassistant::ContentItemRecord;
using kivassistant::kResumeDecisionReply;
using kivassistant::ParseAssistantReply;

namespace {

constexpr LPARAM kShow = 5;  // SW_SHOW

}  // namespace

bool CControlRun::StartAssistant() {
    try {
        assistant_ = std::make_unique<CKivDownloadAssistant>(cancelEvent_.Handle());
    } catch (const std::bad_alloc&) {
        error_.Set(errcode::kAssistantNotStarted, win::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (!assistant_->Start(*this, services_.assistantProgram)) {
        error_.Set(errcode::kAssistantNotStarted, win::GetLastError());
        return false;
    }
    return true;
}

void CControlRun::ConfineWorker() {
    if (ConfineWorkerWrites() && services_.onWorkerConfined) services_.onWorkerConfined();
}

bool CControlRun::GreetAssistant() {
    SendToDialog(DLGM_OVERALLBUSY, 1, kShow);
    if (!assistant_->SendHello(DialogWindow())) {
        error_.Set(errcode::kAssistantNotGreeted, win::GetLastError());
        return false;
    }
    assistant_->WaitForReply();  // the greeting's outcome does not matter
    return true;
}

bool CControlRun::ChooseDestinationWithAssistant() {
    destinationFolder_.clear();
    std::vector<ContentItemRecord> records;
    records.reserve(items_.size());
    for (const auto& item : items_)
        records.push_back(BuildContentItemRecord(item->name, item->url));
    if (!assistant_->SendContentList(caption_, kContentListIdentifier, records)) {
        error_.Set(errcode::kInternalError, win::GetLastError());
        return false;
    }
    if (!assistant_->WaitForReply()) {
        // No folder is the user's refusal there: the run ends as cancelled.
        if (error_.errorCode == errcode::kNone) error_.Set(errcode::kCancelled);
        return false;
    }
    if (services_.browser != nullptr) services_.browser->BringToForeground();
    return true;
}

bool CControlRun::OnAssistantReply(const win::COPYDATASTRUCT* record) {
    if (record == nullptr) return false;
    const AssistantReply reply = ParseAssistantReply(record);
    if (record->dwData == kResumeDecisionReply) {
        // Wakes nobody; a decision shorter than its 4 bytes is not read.
        if (reply.effect == AssistantReply::Effect::ResumeDecision) {
            resumeAllowed_ = reply.resumeAllowed;
        }
        return true;
    }
    if (assistant_ == nullptr) return false;
    bool failed = reply.failed;
    if (reply.destination) {
        // Only a full local path can take the files: an empty or relative
        // text would put them wherever the assistant happens to run.
        if (env::IsValidFullPath(*reply.destination)) {
            destinationFolder_ = *reply.destination;
        } else {
            failed = true;
        }
    }
    if (reply.errorCode) error_.lastError = *reply.errorCode;
    assistant_->SignalReply(failed, reply.keptAside);
    return true;
}

void CControlRun::ShowFileErrorBox(const std::string& text) {
    if (services_.messageBoxes == nullptr) return;
    services_.messageBoxes->ShowStandardMessageBox(text, caption_, MB_OK | MB_ICONEXCLAMATION);
}

bool CControlRun::WaitForAssistantEnd(std::uint32_t /*timeoutMs*/) {
    if (assistant_ == nullptr) return true;
    // The run is cancelled and no reply is wanted any more; without its reply
    // window the assistant ends at once instead of holding the page for the
    // whole bound (the client's own, 10 s, the one asked for).
    assistant_->CloseReplyWindow();
    assistant_->WaitForExit();
    return true;
}

}  // namespace kivcontrol

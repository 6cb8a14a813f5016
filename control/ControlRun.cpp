#include "control/ControlRun.h"

#include <utility>

#include "assistant/KivDownloadAssistant.h"
#include "control/ControlIds.h"
#include "platform/Event.h"
#include "platform/LastError.h"
#include "platform/Mutex.h"
#include "platform/Wait.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/DownloadPhase.h"
#include "transfer/ErrorCodes.h"
#include "transfer/FinaliseItems.h"
#include "transfer/VerificationPhase.h"

namespace kivcontrol {

using kivtransfer::DownloadPhase;
using kivtransfer::FinaliseItems;
using kivtransfer::VerificationPhase;

namespace {

bool Acquired(win::DWORD waitResult) {
    return waitResult == win::WAIT_OBJECT_0 || waitResult == win::WAIT_ABANDONED_0;
}

}  // namespace

CControlRun::CControlRun(const ControlServices& services, const ControlTimings& timings)
    : services_(services), timings_(timings), caption_(res::LoadString(textid::kProductName)) {
    if (!CreateKernelObjects()) error_.Set(errcode::kInternalError, win::GetLastError());
}

CControlRun::~CControlRun() = default;

bool CControlRun::CreateKernelObjects() {
    cancelEvent_ = win::CHandle(win::CreateEvent(true, false, kCancelEventName));
    if (!cancelEvent_.IsValid()) return false;
    pauseMutex_ = win::CHandle(win::CreateMutex(false));
    if (!pauseMutex_.IsValid()) return false;
    readGate_ = win::CHandle(win::CreateMutex(false));
    return readGate_.IsValid();
}

void CControlRun::AdoptParameters(ParameterLoadResult&& loaded) {
    caption_ = std::move(loaded.caption);
    items_ = std::move(loaded.items);
    itemCount_ = loaded.itemCount;
    helpLink_ = std::move(loaded.helpLink);
    parameters_ = std::move(loaded.parameters);
    parameters_.Attach(nullptr);  // the page's bag is gone after the load
    aborted_ = loaded.aborted;
}

void CControlRun::ResetCancel() {
    win::ResetEvent(cancelEvent_.Handle());
}

std::string CControlRun::LookupText(const std::string& name) const {
    return parameters_.LookupText(name);
}

WorkerPhases CControlRun::Phases() {
    WorkerPhases phases;
    phases.download = [this] { return DownloadPhase(*this); };
    phases.verification = [this] { return VerificationPhase(*this); };
    phases.finalisation = [this] { return FinaliseItems(*this, assistant_.get()); };
    if (assistant_ != nullptr) {
        phases.greeting = [this] { return GreetAssistant(); };
        phases.destination = [this] { return ChooseDestinationWithAssistant(); };
    } else {
        phases.destination = [this] { return CDestinationQuery(*this).ChooseDestination(); };
    }
    return phases;
}

bool CControlRun::CheckCancelled(bool restartMeter) {
    const win::HANDLE pause = pauseMutex_.Handle();
    win::DWORD result = win::WaitForSingleObject(pause, 0);
    if (result == win::WAIT_TIMEOUT) {
        // The dialog is asking whether to cancel: the wait is no transfer time.
        if (restartMeter) meter_.Restart();
        result = win::WaitForSingleObject(pause, win::INFINITE);
    }
    if (Acquired(result)) win::ReleaseMutex(pause);
    const bool signalled = win::WaitForSingleObject(cancelEvent_.Handle(), 0) == win::WAIT_OBJECT_0;
    return signalled || DialogWindow() == nullptr;
}

void CControlRun::SignalCancel() {
    win::SetEvent(cancelEvent_.Handle());
}

int CControlRun::CancelFd() const {
    return win::GetEventWaitFd(cancelEvent_.Handle());
}

bool CControlRun::TryTakeReadGate() {
    return Acquired(win::WaitForSingleObject(readGate_.Handle(), 0));
}

void CControlRun::ReleaseReadGate() {
    win::ReleaseMutex(readGate_.Handle());
}

bool CControlRun::TakeReadGateForTeardown() {
    return TryTakeReadGate();
}

void CControlRun::ReleasePauseMutex() {
    // A thread that does not hold it changes nothing.
    win::ReleaseMutex(pauseMutex_.Handle());
}

void CControlRun::ReleaseRunResources() {
    assistant_.reset();
    items_.clear();
    pauseMutex_.Close();
    cancelEvent_.Close();
}

std::function<void()> CControlRun::RunWhenWorkerEnds(std::function<void()> release) {
    std::lock_guard hold(releaseGuard_);
    if (workerEnded_) return release;
    deferredRelease_ = std::move(release);
    return {};
}

void CControlRun::WorkerEnded() {
    std::function<void()> release;
    {
        std::lock_guard hold(releaseGuard_);
        workerEnded_ = true;
        release = std::move(deferredRelease_);
    }
    if (release) release();
}

}  // namespace kivcontrol

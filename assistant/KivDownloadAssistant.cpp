#include "assistant/KivDownloadAssistant.h"

#include "assistant/AssistantIds.h"
#include "assistant/ChildProcess.h"
#include "assistant/HiddenWnd.h"
#include "env/PathRules.h"
#include "platform/Event.h"
#include "platform/LastError.h"
#include "platform/Message.h"
#include "platform/Process.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "transfer/ControlMessages.h"

namespace kivassistant {

namespace {

// How long the page's leaving, and the teardown, give the assistant to end.
constexpr win::DWORD kExitBoundMs = 10000;

}  // namespace

CKivDownloadAssistant::CKivDownloadAssistant(win::HANDLE cancelEvent)
    : replySuccess_(win::CreateEvent(false, false)),
      replyFailure_(win::CreateEvent(false, false)),
      cancelEvent_(cancelEvent),
      requestEvent_(win::CreateEvent(false, false, kRequestEventName)) {}

CKivDownloadAssistant::~CKivDownloadAssistant() {
    // Without its reply window the assistant has nobody to answer and ends.
    if (replyWindow_) {
        replyWindow_->Destroy();
        replyWindow_.reset();
    }
    EndAssistant();
    process_.reset();
}

// An assistant that does not end within the bound is killed rather than
// waited for without limit: a stuck assistant must not hang the browser's
// window thread forever in the control's teardown.
void CKivDownloadAssistant::EndAssistant() {
    const win::HANDLE process = ProcessHandle();
    // Without the greeting the assistant cannot tell that we are gone.
    const win::DWORD bound = greeted_ ? kExitBoundMs : 0;
    if (process != nullptr && win::WaitForSingleObject(process, bound) == win::WAIT_TIMEOUT) {
        win::TerminateProcess(process, 1);
    }
    if (exitWatcher_.IsValid()) exitWatcher_.Wait(win::INFINITE);
}

std::string CKivDownloadAssistant::AssistantPathNextToModule(const void* addressInModule) {
    const auto module = win::ModuleOfAddress(addressInModule);
    char path[win::MAX_PATH] = {};
    const win::DWORD length = win::GetModuleFileNameA(module, path, sizeof path);
    if (module == nullptr || length == 0 || length >= sizeof path) return {};
    char longPath[win::MAX_PATH] = {};
    const win::DWORD longLength = win::GetLongPathNameA(path, longPath, sizeof longPath);
    const bool haveLong = longLength > 0 && longLength < sizeof longPath;
    return env::RemoveExtension(haveLong ? longPath : path);
}

bool CKivDownloadAssistant::Start(IAssistantOwner& owner, const std::string& assistantPath) {
    if (exitWatcher_.IsValid()) {
        // A second assistant would orphan the first one's watcher and handles.
        win::SetLastError(win::ERROR_ALREADY_EXISTS);
        return false;
    }
    assistantPath_ = assistantPath;
    owner_ = &owner;
    ownerWindow_ = owner.Window();
    if (!replyWindow_) {
        auto window = std::make_unique<CHiddenWnd>(&owner);
        if (!window->Create(ownerWindow_)) return false;
        replyWindow_ = std::move(window);
    }
    if (!process_) process_ = std::make_unique<CChildProcess>();
    std::string commandLine = "\"" + assistantPath_ + "\"";
    if (!win::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, win::FALSE, 0, nullptr,
                             nullptr, &process_->Startup(), &process_->Info())) {
        return false;
    }
    // Nobody else may answer in the assistant's name.
    replyWindow_->AcceptRepliesFrom(process_->Info().dwProcessId);
    if (!exitWatcher_.Create([this] { return WatchForExit(); }, true)) return false;
    if (!exitWatcher_.Resume()) {
        const win::DWORD error = win::GetLastError();
        exitWatcher_.Close();  // never ran: nothing to wait for at teardown
        win::SetLastError(error);
        return false;
    }
    return true;
}

win::DWORD CKivDownloadAssistant::WatchForExit() const {
    const win::HANDLE process = ProcessHandle();
    if (process == nullptr) return 0;
    win::WaitForSingleObject(process, win::INFINITE);
    if (win::IsWindow(ownerWindow_)) {
        win::PostMessage(ownerWindow_, CTLM_ASSISTANTENDED, 0, 0);
    }
    return 0;
}

bool CKivDownloadAssistant::WaitForReply() {
    // In this order: a pending success wins over a set cancel event.
    const win::HANDLE handles[] = {replySuccess_.Handle(), replyFailure_.Handle(), cancelEvent_};
    const win::DWORD count = cancelEvent_ != nullptr ? 3 : 2;
    return win::WaitForMultipleObjects(count, handles, win::FALSE, win::INFINITE) ==
           win::WAIT_OBJECT_0;
}

void CKivDownloadAssistant::SignalReply(bool failed, const std::string& keptAside) {
    {
        std::lock_guard hold(keptAsideLock_);
        keptAside_ = keptAside;
    }
    win::SetEvent(failed ? replyFailure_.Handle() : replySuccess_.Handle());
}

std::string CKivDownloadAssistant::KeptAside() {
    std::lock_guard hold(keptAsideLock_);
    return keptAside_;
}

void CKivDownloadAssistant::CloseReplyWindow() {
    if (replyWindow_) replyWindow_->Destroy();
}

void CKivDownloadAssistant::WaitForExit() {
    const win::HANDLE process = ProcessHandle();
    if (process != nullptr) win::WaitForSingleObject(process, kExitBoundMs);
}

std::uint32_t CKivDownloadAssistant::ReplyWindowNumber() const {
    return replyWindow_ ? win::WindowToUInt32(replyWindow_->Hwnd()) : 0;
}

win::HANDLE CKivDownloadAssistant::ProcessHandle() const {
    return process_ ? process_->Process() : nullptr;
}

}  // namespace kivassistant

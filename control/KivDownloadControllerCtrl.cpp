#include "control/KivDownloadControllerCtrl.h"

#include <new>
#include <utility>

#include "control/ErrorMessage.h"
#include "control/ParameterLoad.h"
#include "env/Locations.h"
#include "platform/LastError.h"
#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Window.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

namespace {

// Stands in when the host gave no message boxes: nobody can answer, so every
// question ends as if the user had closed it.
class CNoUserBoxes : public IMessageBoxService {
public:
    int ShowMessageBox(win::HWND, const std::string&, const std::string&, unsigned) override {
        return IDDISMISSED;
    }
    int ShowStandardMessageBox(const std::string&, const std::string&, unsigned) override {
        return IDCANCEL;
    }
};

IMessageBoxService& BoxesOf(const ControlServices& services) {
    static CNoUserBoxes noUser;
    return services.messageBoxes != nullptr ? *services.messageBoxes : noUser;
}

}  // namespace

ControlPtr CreateControl(const ControlServices& services, const ControlTimings& timings) {
    return ControlPtr(new CKivDownloadControllerCtrl(services, timings));
}

CKivDownloadControllerCtrl::CKivDownloadControllerCtrl(const ControlServices& services,
                                                       const ControlTimings& timings)
    : run_(std::make_shared<CControlRun>(services, timings)) {}

CKivDownloadControllerCtrl::~CKivDownloadControllerCtrl() = default;

bool CKivDownloadControllerCtrl::LoadProperties(const IPropertyBag& bag) {
    KIV_CHECK_THREAD(windowThread_);
    CControlRun& run = *run_;
    ParameterLoadHooks hooks;
    hooks.captionChosen = [&run](const std::string& caption) { run.SetCaption(caption); };
    // Held from here until teardown, so another page's control waits its turn.
    hooks.singleInstanceCheck = MakeSingleInstanceHook(
        run.InstanceLock(), [&run] { return run.Caption(); }, BoxesOf(run.Services()));
    hooks.resetCancel = [&run] { run.ResetCancel(); };
    ParameterLoadResult loaded;
    bool accepted = false;
    try {
        accepted = LoadParameters(bag, hooks, loaded, run.Error());
    } catch (const std::bad_alloc&) {
        run.Error().Set(errcode::kOutOfMemory);
    }
    run.AdoptParameters(std::move(loaded));
    return accepted;
}

win::HWND CKivDownloadControllerCtrl::CreateControlWindow(win::HWND parent) {
    KIV_CHECK_THREAD(windowThread_);
    const win::DWORD style = win::WS_VISIBLE | (parent != nullptr ? win::WS_CHILD : 0);
    auto procedure = [this](win::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return WindowProc(window, message, wParam, lParam);
    };
    return win::CreateWindow(procedure, "", style, parent);
}

void CKivDownloadControllerCtrl::OnCreate(win::HWND window) {
    bool created = false;
    try {
        created = CreateRun(window);
    } catch (const std::bad_alloc&) {
        run_->Error().Set(errcode::kOutOfMemory);
    }
    if (!created) {
        // No run will hold the single-instance lock; let another page run.
        run_->CloseInstanceMutex();
        win::PostMessage(window, CTLM_RUNFAILED, kPhaseStart, 0);
    }
}

bool CKivDownloadControllerCtrl::CreateRun(win::HWND window) {
    window_ = window;
    run_->SetControlWindow(window);
    // A failed parameter load or single-instance check is reported now.
    if (run_->Error().errorCode != errcode::kNone) return false;
    IBrowserHost* browser = run_->Services().browser;
    if (browser == nullptr || !browser->HasClientSite()) {
        run_->Error().Set(errcode::kNoClientSite);
        return false;
    }
    return ConnectPage() && StartAssistant() && CreateDialog(window) && StartWorker();
}

bool CKivDownloadControllerCtrl::ConnectPage() {
    pageConnected_ = ConnectToPage(*run_, *this, eventCookie_);
    return pageConnected_;
}

bool CKivDownloadControllerCtrl::StartAssistant() {
    return !env::IsNt6OrLater() || run_->StartAssistant();
}

bool CKivDownloadControllerCtrl::CreateDialog(win::HWND window) {
    IDialogFactory* factory = run_->Services().dialogFactory;
    std::unique_ptr<IDownloadDialog> dialog;
    if (factory != nullptr) {
        dialog = factory->CreateDownloadDialog(window);
    } else {
        win::SetLastError(win::ERROR_NOT_SUPPORTED);
    }
    if (dialog == nullptr) {
        run_->Error().Set(errcode::kDialogNotCreated, win::GetLastError());
        return false;
    }
    dialog->SetCreatedFlag(true);
    dialog->Configure(run_->Caption(), run_->CancelEvent(), run_->PauseMutex(), run_->HelpLink());
    const win::HWND dialogWindow = dialog->Window();
    run_->AttachDialog(std::move(dialog));
    win::ShowWindow(dialogWindow, win::SW_SHOW);
    return true;
}

bool CKivDownloadControllerCtrl::StartWorker() {
    // The worker holds the run itself, so nothing it uses can go away under it.
    auto body = [run = run_]() mutable -> win::DWORD {
        if (run->HasAssistant()) run->ConfineWorker();
        const win::DWORD exitCode = RunWorker(*run, run->Phases());
        run->WorkerEnded();
        run.reset();
        return exitCode;
    };
    win::DWORD threadId = 0;
    worker_ = win::CHandle(win::CreateThread(body, win::CREATE_SUSPENDED, &threadId));
    if (!worker_.IsValid()) {
        run_->Error().Set(errcode::kThreadNotCreated, win::GetLastError());
        return false;
    }
    run_->SetWorkerThreadId(threadId);
    if (win::ResumeThread(worker_.Handle()) == static_cast<win::DWORD>(-1)) {
        run_->Error().Set(errcode::kThreadNotStarted, win::GetLastError());
        worker_.Close();
        run_->SetWorkerThreadId(0);
        return false;
    }
    return true;
}

}  // namespace kivcontrol

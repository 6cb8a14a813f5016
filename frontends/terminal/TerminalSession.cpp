#include "frontends/terminal/TerminalSession.h"

#include "control/KivDownloadControllerCtrl.h"
#include "frontends/terminal/TerminalBrowserHost.h"
#include "frontends/terminal/TerminalCancel.h"
#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalDialogFactory.h"
#include "frontends/terminal/TerminalFolderBrowser.h"
#include "frontends/terminal/TerminalInterrupt.h"
#include "frontends/terminal/TerminalLauncher.h"
#include "frontends/terminal/TerminalMessageBox.h"
#include "frontends/terminal/TerminalProxyPrompt.h"
#include "frontends/terminal/TerminalRunLog.h"
#include "host/ExitStatus.h"
#include "platform/Event.h"
#include "platform/Message.h"
#include "platform/Wait.h"
#include "transfer/ErrorCodes.h"

using kivcontrol::ControlPtr;
using kivcontrol::ControlServices;
using kivcontrol::ControlTimings;
using kivcontrol::CreateControl;
using kivcontrol::IPropertyBag;
using kivcontrol::ReleaseControl;

namespace kivterm {

namespace {

// After a wake the loop lets posted messages gather this long before it
// serves them: a worker posts two for every 16 KiB it reads, and waking this
// thread for each cost more than the download.
constexpr win::DWORD kGatherTimeMs = 5;
// The control's teardown waits for its worker; this only bounds a worker
// that never ends, so that the program still exits.
constexpr win::DWORD kReleaseWaitMs = 30000;

}  // namespace

struct CTerminalSession::Parts {
    Parts(const TerminalIo& io, const TerminalOptions& options)
        : console(io),
          log(console, {options.quiet, options.verbose, options.logFd}),
          boxes(console, options, &log),
          folders(console, options),
          cancel(console, !options.assumeYes),
          dialogs(console, boxes, cancel, log, options.quiet),
          launcher(console, options.quiet),
          browser(launcher),
          proxy(console, options) {}

    CTerminalConsole console;
    CTerminalRunLog log;
    CTerminalMessageBoxService boxes;
    CTerminalFolderBrowser folders;
    CTerminalCancel cancel;
    CTerminalDialogFactory dialogs;
    CTerminalLauncher launcher;
    CTerminalBrowserHost browser;
    CTerminalProxyPrompt proxy;
};

void GatherPostedMessages(win::DWORD ms) {
    win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, ms, win::QS_SENDMESSAGE);
}

int ExitStatusFor(int errorCode, bool completed) {
    if (errorCode == errcode::kNone) return completed ? kExitSuccess : kExitFailure;
    return errorCode == errcode::kCancelled ? kExitCancelled : kExitFailure;
}

CTerminalSession::CTerminalSession(const TerminalIo& io, const TerminalOptions& options)
    : parts_(std::make_shared<Parts>(io, options)) {}

CTerminalSession::~CTerminalSession() = default;

ControlServices CTerminalSession::Services() const {
    ControlServices services;
    services.messageBoxes = &parts_->boxes;
    services.folderBrowser = &parts_->folders;
    services.dialogFactory = &parts_->dialogs;
    services.browser = &parts_->browser;
    services.launcher = &parts_->launcher;
    services.proxyPrompt = &parts_->proxy;
    services.runReport = &parts_->log;
    return services;
}

CTerminalConsole& CTerminalSession::Console() {
    return parts_->console;
}

CTerminalCancel& CTerminalSession::Cancel() {
    return parts_->cancel;
}

CTerminalLauncher& CTerminalSession::Launcher() {
    return parts_->launcher;
}

int CTerminalSession::Run(const TerminalControlMaker& makeControl, const IPropertyBag& page) {
    CTerminalInterrupt interrupt;
    // Without the handlers the signals keep their default: the program ends at once.
    interrupt.Start([parts = parts_] { parts->cancel.OnInterrupt(); },
                    [parts = parts_] { parts->cancel.OnTerminate(); });

    std::unique_ptr<ITerminalControl> control = makeControl(Services());
    if (!control) {
        parts_->console.WriteErr("kiv-downloader: the control could not be created\n");
        return kExitFailure;
    }
    control->LoadProperties(page);
    const win::HWND window = control->CreateControlWindow();
    if (window == nullptr) return kExitFailure;

    bool completed = false;
    win::MSG msg;
    while (win::GetMessage(&msg) > 0) {
        const bool forControl = msg.hwnd == window;
        if (forControl && msg.message == CTLM_RUNDONE) completed = true;
        win::DispatchMessage(&msg);
        // A run that failed before its dialog existed asks nobody to quit.
        if (forControl && msg.message == CTLM_RUNFAILED && parts_->dialogs.Created() == 0) break;
        win::MSG next;
        if (!win::PeekMessage(&next, 0)) GatherPostedMessages(kGatherTimeMs);
    }
    const int errorCode = control->ErrorCode();
    int status = ExitStatusFor(errorCode, completed);
    // A destination refused with nobody to choose another is no user's cancel.
    const std::string refusal = parts_->folders.Refusal();
    if (!refusal.empty() && status == kExitCancelled) {
        parts_->console.WriteErr("kiv-downloader: " + refusal + "\n");
        status = kExitFailure;
    }

    win::CEvent released;
    released.Create(true, false);
    control->Close([parts = parts_, event = released.Handle()] { win::SetEvent(event); });
    control.reset();
    win::WaitForSingleObject(released.Handle(), kReleaseWaitMs);
    parts_->console.EndLive();
    // The control deletes the broken files of a run that ended on them.
    const std::string summary = parts_->log.Summary(errorCode == errcode::kFilesBroken);
    if (!summary.empty()) parts_->console.WriteOut(summary);
    return status;
}

namespace {

class CLinkedControl : public ITerminalControl {
public:
    CLinkedControl(const ControlServices& services, const ControlTimings& timings)
        : control_(CreateControl(services, timings)) {}

    void LoadProperties(const IPropertyBag& page) override { control_->LoadProperties(page); }
    win::HWND CreateControlWindow() override { return control_->CreateControlWindow(nullptr); }
    int ErrorCode() override { return control_->Run().Error().errorCode; }
    void Close(std::function<void()> released) override {
        ReleaseControl(std::move(control_), std::move(released));
    }

private:
    ControlPtr control_;
};

}  // namespace

TerminalControlMaker LinkedControl(const ControlTimings& timings) {
    return [timings](const ControlServices& services) {
        return std::make_unique<CLinkedControl>(services, timings);
    };
}

}  // namespace kivterm

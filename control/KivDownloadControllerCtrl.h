#pragma once
// The download control a page embeds. It lives on the browser's window
// thread: the host creates it, loads its parameters from the page, creates
// its window (which starts the run on a worker thread) and finally releases
// it. The run's state is a CControlRun shared with the worker.
//
// Life: CreateControl -> LoadProperties -> CreateControlWindow -> (messages)
// -> the ControlPtr is reset or ReleaseControl is called. Release runs the
// teardown on the window thread and deletes the control once the worker has
// ended (see docs/architecture.md, Threads).
#include <cstdint>
#include <functional>
#include <memory>

#include "control/ControlRun.h"
#include "control/ControlServices.h"
#include "control/ControlTimings.h"
#include "control/PropertyBag.h"
#include "platform/Handle.h"
#include "platform/ThreadChecker.h"
#include "platform/WindowTypes.h"

namespace kivcontrol {

class CKivDownloadControllerCtrl;

// Deletes a control the safe way: teardown now, the memory when the worker is gone.
struct ControlRelease {
    void operator()(CKivDownloadControllerCtrl* control) const;
};
using ControlPtr = std::unique_ptr<CKivDownloadControllerCtrl, ControlRelease>;

// Creates the control's cancel event, locks and read gate and loads the
// product name as caption.
ControlPtr CreateControl(const ControlServices& services, const ControlTimings& timings = {});

// Window thread only. Runs the teardown and destroys the control's window at
// once; the control itself is deleted now when its worker has ended, else by
// the worker as its last act. `released` (may be empty) runs after the
// deletion, on whichever thread did it: from then on the services given to
// CreateControl are no longer used.
void ReleaseControl(ControlPtr control, std::function<void()> released = {});

class CKivDownloadControllerCtrl : public IPageEvents {
public:
    CKivDownloadControllerCtrl(const CKivDownloadControllerCtrl&) = delete;
    CKivDownloadControllerCtrl& operator=(const CKivDownloadControllerCtrl&) = delete;

    // The page's parameters, read once. False when one was refused; the
    // error is reported when the window is created.
    bool LoadProperties(const IPropertyBag& bag);

    // Creates the control's window on the calling thread (the browser's
    // window thread) as a visible child of `parent`, or as a top-level window
    // without one. Window creation connects to the page, creates the dialog
    // and starts the worker; a failure is reported through CTLM_RUNFAILED
    // with phase 0. Null only when the window itself could not be made.
    win::HWND CreateControlWindow(win::HWND parent = nullptr);
    win::HWND Window() const { return window_; }

    // The run's state, for the host and for tests.
    CControlRun& Run() { return *run_; }

    // The page's window events (connected at window creation).
    void OnBeforeUnload() override;
    void OnUnload() override;

private:
    friend struct ControlRelease;
    friend ControlPtr CreateControl(const ControlServices&, const ControlTimings&);
    friend void ReleaseControl(ControlPtr, std::function<void()>);

    CKivDownloadControllerCtrl(const ControlServices& services, const ControlTimings& timings);
    ~CKivDownloadControllerCtrl() override;

    LRESULT WindowProc(win::HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(win::HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Window creation and its steps; each step returns false after setting the error.
    void OnCreate(win::HWND window);
    bool CreateRun(win::HWND window);
    bool ConnectPage();
    bool StartAssistant();
    bool CreateDialog(win::HWND window);
    bool StartWorker();

    // Handlers.
    void OnDestroy();
    void OnRunFailed(int phase);
    void OnAssistantEnded();

    // Teardown; true when the worker has ended (or never ran).
    bool Teardown();
    bool WaitForWorker();

    std::shared_ptr<CControlRun> run_;
    win::HWND window_ = nullptr;
    win::CHandle worker_;
    std::uint32_t eventCookie_ = 0;
    bool pageConnected_ = false;
    bool failureReported_ = false;  // a run fails once, whoever notices first
    // The browser's window thread, which creates the control: every member
    // but the destructor runs there.
    KIV_THREAD_CHECKER(windowThread_);
};

}  // namespace kivcontrol

// The control window's messages: the worker's reports and requests, the
// after-download actions and the page's events. All run on the window thread.
#include "control/AfterDownload.h"
#include "control/ErrorMessage.h"
#include "control/KivDownloadControllerCtrl.h"
#include "platform/Message.h"
#include "platform/Window.h"
#include "transfer/BrokenFiles.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivtransfer::DeleteBrokenFiles;

namespace {

constexpr LPARAM kKeepVisibility = -1;
constexpr LPARAM kClearRateTime = -2;

}  // namespace

LRESULT CKivDownloadControllerCtrl::WindowProc(win::HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    KIV_CHECK_THREAD(windowThread_);
    try {
        return HandleMessage(window, message, wParam, lParam);
    } catch (...) {
        // Nothing leaves a handler; the host's loop must not see our faults.
        return 0;
    }
}

LRESULT CKivDownloadControllerCtrl::HandleMessage(win::HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    switch (message) {
        case win::WM_CREATE:
            OnCreate(window);
            return 0;
        case win::WM_DESTROY:
            OnDestroy();
            break;
        case CTLM_RUNFAILED:
            OnRunFailed(static_cast<int>(wParam));
            return 0;
        case CTLM_INETERRORDLG:
            return run_->OnInternetErrorDialog(wParam, lParam);
        case CTLM_RUNDONE:
            return OnRunCompleted(*run_);
        case CTLM_SUPPORTPAGE:
            return OpenSupportPage(*run_);
        case CTLM_ASSISTANTENDED:
            OnAssistantEnded();
            return 0;
        case CTLM_PLAY:
            return PlayItem(*run_, wParam);
        case CTLM_QUITBROWSER:
            return QuitBrowser(*run_);
        case CTLM_BROWSERDIALOG:
            return DetectBrowserDialog(*run_);
        default:
            break;
    }
    return win::DefWindowProc(window, message, wParam, lParam);
}

void CKivDownloadControllerCtrl::OnDestroy() {
    // A modal box that was open may have left the browser window disabled.
    const win::HWND browser = run_->BrowserTopLevelWindow();
    if (browser != nullptr && win::IsWindow(browser)) win::EnableWindow(browser, win::TRUE);
}

void CKivDownloadControllerCtrl::OnRunFailed(int phase) {
    // The assistant's end is reported by this window and again by the worker
    // as it stops; the user is told once.
    if (failureReported_) return;
    failureReported_ = true;
    CControlRun& run = *run_;
    run.PostToDialog(DLGM_CURRENTBUSY, 0, kKeepVisibility);
    run.PostToDialog(DLGM_OVERALLBUSY, 0, kKeepVisibility);
    if (run.Error().errorCode != errcode::kNone) {
        run.PostToDialog(DLGM_RATETIME, static_cast<WPARAM>(kClearRateTime), kClearRateTime);
    }
    run.ReportError(phase);
    if (run.Error().errorCode == errcode::kFilesBroken) DeleteBrokenFiles(run);
    run.SendToDialog(DLGM_OVERALLSTEP, 1, 0);
    if (run.DialogCreated() && !run.PageClosing()) {
        win::PostMessage(window_, CTLM_QUITBROWSER, 0, 0);
    }
    if (run.PageClosing()) run.CloseDialog();
}

void CKivDownloadControllerCtrl::OnAssistantEnded() {
    CControlRun& run = *run_;
    if (run.IsCancelledOnWindowThread() || run.DialogWindow() == nullptr) return;
    run.SetAssistantEnded();
    run.Error().Set(errcode::kAssistantEnded);
    run.SignalCancel();
    win::PostMessage(window_, CTLM_RUNFAILED, kPhaseAssistantEnded, 0);
}

void CKivDownloadControllerCtrl::OnBeforeUnload() {
    KIV_CHECK_THREAD(windowThread_);
    kivcontrol::OnBeforeUnload(*run_);
}

void CKivDownloadControllerCtrl::OnUnload() {
    KIV_CHECK_THREAD(windowThread_);
    kivcontrol::OnUnload(*run_);
}

}  // namespace kivcontrol

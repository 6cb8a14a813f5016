// The worker's requests to the control's window, and the worker's pauses.
// Requests are window messages so that they are answered on the window
// thread, where the browser's dialogs live.
#include <string>
#include <utility>

#include "control/ControlRun.h"
#include "platform/HttpFile.h"
#include "platform/Message.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace kivcontrol {

bool CControlRun::ControlWindowExists() const {
    const win::HWND window = controlWindow_;
    return window != nullptr && win::IsWindow(window);
}

bool CControlRun::PostToControl(UINT message, WPARAM wParam, LPARAM lParam) {
    const win::HWND window = controlWindow_;
    return ControlWindowExists() && win::PostMessage(window, message, wParam, lParam) != win::FALSE;
}

LRESULT CControlRun::AskProxyCredentials(win::CHttpFile& request) {
    if (!ControlWindowExists()) return 0;
    // The request stays alive: the worker waits in the send until it is answered.
    return win::SendMessage(controlWindow_, CTLM_INETERRORDLG, reinterpret_cast<WPARAM>(&request),
                            INETERRORDLG_PROXY_AUTH);
}

LRESULT CControlRun::OnInternetErrorDialog(WPARAM request, LPARAM /*flags*/) {
    auto* file = reinterpret_cast<win::CHttpFile*>(request);
    if (file == nullptr) return win::ERROR_CANCELLED;
    if (proxyCredentials_ && !file->HasProxyCredentials()) {
        file->SetProxyCredentials(proxyCredentials_->first, proxyCredentials_->second);
        return ERROR_INTERNET_FORCE_RETRY;
    }
    if (services_.proxyPrompt == nullptr) return win::ERROR_CANCELLED;
    std::string user;
    std::string password;
    if (!services_.proxyPrompt->AskProxyCredentials(DialogWindow(), user, password)) {
        return win::ERROR_CANCELLED;  // the user closed the dialog
    }
    file->SetProxyCredentials(user, password);
    proxyCredentials_.emplace(std::move(user), std::move(password));
    return ERROR_INTERNET_FORCE_RETRY;
}

bool CControlRun::AskBrowserDialogOpen(std::uint32_t timeoutMs, LRESULT& answer) {
    if (!ControlWindowExists()) return false;
    win::DWORD_PTR result = 0;
    if (win::SendMessageTimeout(controlWindow_, CTLM_BROWSERDIALOG, 0, 0, win::SMTO_BLOCK,
                                timeoutMs, &result) == 0) {
        return false;
    }
    answer = static_cast<LRESULT>(result);
    return true;
}

void CControlRun::Sleep(std::uint32_t ms) {
    // A pause between attempts ends early on cancel; the next check sees it.
    win::WaitForSingleObject(cancelEvent_.Handle(), ms);
}

void CControlRun::CompletionPause() {
    win::WaitForSingleObject(cancelEvent_.Handle(), timings_.completionPauseMs);
}

}  // namespace kivcontrol

// The control's way to its download dialog: sends only while the dialog's
// window exists, posts only while it is visible and under the dialog lock,
// so that closing the dialog never races with a post under way.
#include <mutex>

#include "control/ControlRun.h"
#include "platform/Message.h"
#include "platform/Window.h"

namespace kivcontrol {

void CControlRun::AttachDialog(std::unique_ptr<IDownloadDialog> dialog) {
    std::lock_guard hold(dialogLock_);
    dialog_ = std::move(dialog);
    dialogWindow_ = dialog_ ? dialog_->Window() : nullptr;
}

win::HWND CControlRun::DialogWindow() const {
    const win::HWND window = dialogWindow_;
    return window != nullptr && win::IsWindow(window) ? window : nullptr;
}

bool CControlRun::DialogCreated() const {
    return dialog_ != nullptr && dialog_->CreatedFlag();
}

win::DWORD CControlRun::DialogThreadId() const {
    const win::HWND window = DialogWindow();
    return window != nullptr ? win::GetWindowThreadProcessId(window, nullptr) : 0;
}

LRESULT CControlRun::SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    const win::HWND window = DialogWindow();
    // A window that dies meanwhile makes the send fail; handles are never reused.
    return window != nullptr ? win::SendMessage(window, message, wParam, lParam) : 0;
}

bool CControlRun::PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    std::lock_guard hold(dialogLock_);
    const win::HWND window = dialogWindow_;
    if (window == nullptr || !win::IsWindowVisible(window)) return false;
    return win::PostMessage(window, message, wParam, lParam) != win::FALSE;
}

bool CControlRun::PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    const win::HWND window = DialogWindow();
    return window != nullptr && win::PostMessage(window, message, wParam, lParam) != win::FALSE;
}

void CControlRun::DismissWorkerQuestions() {
    const win::DWORD worker = WorkerThreadId();
    if (worker == 0 || HasAssistant()) return;
    CloseMessageBoxes(*this, worker);
    CloseFolderDialog(*this);
}

void CControlRun::CloseDialog() {
    const win::HWND window = DialogWindow();
    // Boxes owned by the dialog would outlive it. They are closed before the
    // lock is taken: the lock serves no messages, and dismissing a box on the
    // worker's thread is a send that thread has to answer.
    if (window != nullptr && win::IsWindowVisible(window)) {
        CloseMessageBoxes(*this, DialogThreadId());
        DismissWorkerQuestions();
    }
    {
        std::lock_guard hold(dialogLock_);
        dialogWindow_ = nullptr;  // from here on no send or post reaches it
    }
    if (window != nullptr && win::IsWindow(window)) win::DestroyWindow(window);
    dialog_.reset();
}

}  // namespace kivcontrol

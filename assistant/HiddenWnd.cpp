#include "assistant/HiddenWnd.h"

#include "platform/LastError.h"
#include "platform/Window.h"

namespace kivassistant {

bool CHiddenWnd::Create(win::HWND ownerWindow) {
    if (hwnd_ != nullptr) return true;
    // No style bits: a top-level window owned by the control's, never shown.
    const win::HWND hwnd = win::CreateWindow(
        [this](win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            return Procedure(window, message, wParam, lParam);
        },
        "", 0, ownerWindow);
    if (hwnd == nullptr) return false;
    receiver_.AcceptOnlyFrom(0);
    if (!receiver_.Open(hwnd)) {
        const win::DWORD error = win::GetLastError();
        win::DestroyWindow(hwnd);
        win::SetLastError(error);
        return false;
    }
    hwnd_ = hwnd;
    return true;
}

void CHiddenWnd::Destroy() {
    // The receiver first: a record arriving now must not find a window that
    // is half gone.
    receiver_.Close();
    if (hwnd_ != nullptr && win::IsWindow(hwnd_)) win::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

win::LRESULT CHiddenWnd::Procedure(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                                   win::LPARAM lParam) {
    // Also when the owner's window takes this one along: the assistant must
    // learn at once that nobody receives any more.
    if (message == win::WM_DESTROY) receiver_.Close();
    if (message != win::WM_COPYDATA) return win::DefWindowProc(hwnd, message, wParam, lParam);
    const auto* record = reinterpret_cast<const win::COPYDATASTRUCT*>(lParam);
    const bool handled = owner_ == nullptr || owner_->OnAssistantReply(record);
    win::DefWindowProc(hwnd, message, wParam, lParam);
    return handled ? 1 : 0;
}

}  // namespace kivassistant

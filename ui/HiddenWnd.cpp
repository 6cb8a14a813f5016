// The never-shown window that receives the assistant's records.
#include "ui/HiddenWnd.h"

#include "platform/Window.h"

CHiddenWnd::~CHiddenWnd() {
    Destroy();
}

bool CHiddenWnd::Create(win::HWND owner) {
    if (hwnd_ != nullptr) return false;
    hwnd_ = win::CreateWindow(
        [this](win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            if (message == win::WM_NCDESTROY) hwnd_ = nullptr;
            if (message != WM_COPYDATA) return win::DefWindowProc(hwnd, message, wParam, lParam);
            const win::LRESULT answer = OnCopyData(wParam, lParam);
            win::DefWindowProc(hwnd, message, wParam, lParam);
            return answer;
        },
        "", 0, owner);
    return hwnd_ != nullptr;
}

void CHiddenWnd::Destroy() {
    if (hwnd_ != nullptr && win::IsWindow(hwnd_)) win::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

win::LRESULT CHiddenWnd::OnCopyData(win::WPARAM sender, win::LPARAM record) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(record);
    if (control_ == nullptr) return 1;
    if (data == nullptr) return 0;
    return control_->OnCopyData(reinterpret_cast<win::HWND>(sender), *data);
}

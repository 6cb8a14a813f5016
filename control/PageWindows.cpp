// Finding and closing the windows that must not outlive the page: the
// control's message boxes and the worker's folder dialog.
#include <vector>

#include "control/PageIntegration.h"
#include "platform/Message.h"
#include "platform/Window.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace kivcontrol {

namespace {

constexpr int kTitleBufferSize = 2048;

std::string WindowTitle(win::HWND window) {
    char buffer[kTitleBufferSize];
    const int length = win::GetWindowText(window, buffer, kTitleBufferSize);
    return std::string(buffer, static_cast<std::size_t>(length));
}

// Collected before anything is closed: closing changes the thread's windows.
std::vector<win::HWND> ThreadWindowsTitled(win::DWORD threadId, const std::string& title) {
    std::vector<win::HWND> found;
    win::EnumThreadWindows(threadId, [&](win::HWND window) {
        if (WindowTitle(window) == title) found.push_back(window);
        return win::TRUE;
    });
    return found;
}

}  // namespace

void CloseMessageBoxes(IPageContext& control, win::DWORD threadId) {
    if (threadId == 0) return;
    const win::HWND dialog = control.DialogWindow();
    for (win::HWND box : ThreadWindowsTitled(threadId, control.Caption())) {
        if (box == dialog) continue;
        // The box ends itself with "no answer"; the close then removes it.
        win::SendMessage(box, MBM_DISMISS, 0, 0);
        win::PostMessage(box, win::WM_CLOSE, 0, 0);
    }
}

void CloseFolderDialog(IPageContext& control) {
    const win::DWORD worker = control.WorkerThreadId();
    if (control.DialogWindow() == nullptr || worker == 0) return;
    const std::vector<win::HWND> dialogs =
        ThreadWindowsTitled(worker, res::LoadString(textid::kBrowseForFolder));
    if (!dialogs.empty()) win::SendMessage(dialogs.front(), win::WM_CLOSE, 0, 0);
}

}  // namespace kivcontrol

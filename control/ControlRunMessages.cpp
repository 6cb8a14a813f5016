// The control's message boxes: the questions of the destination query (on
// the worker thread), and the error and completion messages (on the window
// thread). Every box is titled with the caption, so the control can find and
// close the ones still open when the page goes away.
#include <string>

#include "control/ControlRun.h"
#include "control/ErrorMessage.h"
#include "platform/Window.h"
#include "resources/StringTable.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivtransfer::ErrorState;

namespace {

constexpr int kShowRestore = 9;  // SW_RESTORE

}  // namespace

win::HWND CControlRun::BrowserTopLevelWindow() {
    return services_.browser != nullptr ? services_.browser->TopLevelWindow() : nullptr;
}

int CControlRun::ShowMessage(const std::string& text, unsigned style) {
    if ((style & MB_ICONMASK) == 0) style |= MB_ICONEXCLAMATION;
    // The dialog owns the box when it can, brought back first if minimised;
    // else the browser window; else nothing.
    win::HWND owner = DialogWindow();
    if (owner != nullptr) {
        win::ShowWindow(owner, kShowRestore);
    } else {
        owner = BrowserTopLevelWindow();
    }
    if (services_.messageBoxes == nullptr) return IDDISMISSED;
    return services_.messageBoxes->ShowMessageBox(owner, text, caption_, style);
}

int CControlRun::ShowMessageId(unsigned stringId, unsigned style) {
    return ShowMessage(res::LoadString(stringId), style);
}

void CControlRun::ReportError(int phase) {
    // A snapshot: after the assistant's end the worker may still be stopping
    // and setting its own cancel code, which must not hide that end.
    ErrorState shown = error_;
    if (assistantEnded_) shown.Set(errcode::kAssistantEnded);
    std::string text;
    if (ComposeErrorMessage(phase, shown, items_, text)) ShowMessage(text, MB_OK);
}

}  // namespace kivcontrol

#include "frontends/terminal/TerminalQuestionWindow.h"

#include "control/ControlServices.h"
#include "platform/Window.h"
#include "transfer/ControlMessages.h"

namespace kivterm {

CTerminalQuestionWindow::CTerminalQuestionWindow(CTerminalConsole& console,
                                                 const std::string& title, int closeResult)
    : console_(console) {
    console_.BeginQuestion(state_);
    CTerminalQuestionState* state = &state_;
    window_ = win::CreateWindow(
        [state, closeResult](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == MBM_DISMISS) {
                state->Close(IDDISMISSED);
                return LRESULT{0};
            }
            if (message == win::WM_CLOSE) {
                state->Close(closeResult);
                return LRESULT{0};  // destroyed by its owner when the question returns
            }
            return win::DefWindowProc(hwnd, message, wParam, lParam);
        },
        title, 0);
}

CTerminalQuestionWindow::~CTerminalQuestionWindow() {
    if (window_ != nullptr) win::DestroyWindow(window_);
    console_.EndQuestion(state_);
}

}  // namespace kivterm

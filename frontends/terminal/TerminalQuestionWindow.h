#pragma once
// The window a terminal question keeps while it is open: a hidden top-level
// window of the asking thread titled like the box it stands for, so that the
// control finds it among the thread's windows and can end it (MBM_DISMISS:
// no answer; WM_CLOSE: the box's close result). It also makes the question
// open on the console for as long as it lives.
#include <string>

#include "frontends/terminal/TerminalConsole.h"
#include "platform/WindowTypes.h"

namespace kivterm {

class CTerminalQuestionWindow {
public:
    // `closeResult` is what a WM_CLOSE without MBM_DISMISS answers.
    CTerminalQuestionWindow(CTerminalConsole& console, const std::string& title, int closeResult);
    ~CTerminalQuestionWindow();
    CTerminalQuestionWindow(const CTerminalQuestionWindow&) = delete;
    CTerminalQuestionWindow& operator=(const CTerminalQuestionWindow&) = delete;

    CTerminalQuestionState& State() { return state_; }
    win::HWND Window() const { return window_; }

private:
    CTerminalConsole& console_;
    CTerminalQuestionState state_;
    win::HWND window_ = nullptr;
};

}  // namespace kivterm

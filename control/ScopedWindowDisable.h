#pragma once
// Disables a window for the life of the object and enables it again after,
// also when the work in between throws. A window that was disabled already
// is left to whoever disabled it.
#include "platform/Window.h"

namespace kivcontrol {

class ScopedWindowDisable {
public:
    explicit ScopedWindowDisable(win::HWND window)
        : window_(window != nullptr && !win::EnableWindow(window, win::FALSE) ? window : nullptr) {}
    ~ScopedWindowDisable() {
        if (window_ != nullptr) win::EnableWindow(window_, win::TRUE);
    }
    ScopedWindowDisable(const ScopedWindowDisable&) = delete;
    ScopedWindowDisable& operator=(const ScopedWindowDisable&) = delete;

private:
    win::HWND window_;  // null when this object did not disable it
};

}  // namespace kivcontrol

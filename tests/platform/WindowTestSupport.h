#pragma once
// A thread with one window and a plain message loop, for the window and
// message tests. Every wait is bounded, so a fault fails a test instead of
// hanging the run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <utility>

#include "platform/Event.h"
#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace wintest {

constexpr win::DWORD kBound = 5000;  // ms: longer than any correct test step needs
constexpr win::UINT kApp = 0x8000;   // WM_APP

// Blocks a thread the way foreign code does: no message is served while it
// waits (every wait of the platform layer serves sends).
class Gate {
public:
    void Open() {
        std::lock_guard<std::mutex> hold(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    bool Wait(win::DWORD boundMs = kBound) {
        std::unique_lock<std::mutex> hold(mutex_);
        return opened_.wait_for(hold, std::chrono::milliseconds(boundMs), [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// Opens the gate when the test leaves, also after a failed assertion.
class GateOpener {
public:
    explicit GateOpener(Gate& gate) : gate_(gate) {}
    ~GateOpener() { gate_.Open(); }
    GateOpener(const GateOpener&) = delete;
    GateOpener& operator=(const GateOpener&) = delete;

private:
    Gate& gate_;
};

// A window of the calling thread, destroyed with the object.
class ScopedWindow {
public:
    explicit ScopedWindow(win::WNDPROC proc, win::DWORD style = 0, win::HWND parent = nullptr)
        : hwnd_(win::CreateWindow(std::move(proc), "", style, parent)) {}
    ~ScopedWindow() {
        if (win::IsWindow(hwnd_)) win::DestroyWindow(hwnd_);
    }
    ScopedWindow(const ScopedWindow&) = delete;
    ScopedWindow& operator=(const ScopedWindow&) = delete;
    win::HWND Get() const { return hwnd_; }

private:
    win::HWND hwnd_;
};

inline win::LRESULT Plain(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                          win::LPARAM lParam) {
    return win::DefWindowProc(hwnd, message, wParam, lParam);
}

// Polls `done` every few milliseconds, up to the bound.
inline bool Eventually(const std::function<bool()>& done) {
    for (win::DWORD waited = 0; !done(); waited += 5) {
        if (waited >= kBound) return false;
        win::Sleep(5);
    }
    return true;
}

// Takes whatever is left in the calling thread's queue.
inline void DrainQueue() {
    win::MSG msg;
    while (win::PeekMessage(&msg, win::PM_REMOVE)) {
    }
}

class WindowThread {
public:
    // `proc` handles every message of the window, on the new thread.
    explicit WindowThread(win::WNDPROC proc) {
        ready_.Create(true, false);
        thread_.Create([this, proc = std::move(proc)]() mutable { return Run(std::move(proc)); });
        EXPECT_EQ(ready_.Wait(kBound), win::WAIT_OBJECT_0);
    }
    ~WindowThread() { Stop(); }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    win::HWND Window() const { return window_.load(); }
    win::DWORD ThreadId() const { return thread_.Id(); }
    win::HANDLE Handle() const { return thread_.Handle(); }
    // The loop returns after the current message without serving anything more.
    void LeaveLoopSilently() { leaveSilently_ = true; }
    // Ends the loop through WM_QUIT and waits for the thread.
    void Stop() {
        if (!thread_.IsValid()) return;
        win::PostThreadMessage(thread_.Id(), win::WM_QUIT, 0, 0);
        EXPECT_EQ(thread_.Wait(kBound), win::WAIT_OBJECT_0);
        thread_.Close();
    }

private:
    win::DWORD Run(win::WNDPROC proc) {
        window_ = win::CreateWindow(std::move(proc), "window thread", win::WS_VISIBLE);
        ready_.Set();
        win::MSG msg;
        while (!leaveSilently_ && win::GetMessage(&msg) > 0) {
            win::DispatchMessage(&msg);
        }
        return 0;
    }

    win::CEvent ready_;
    win::CThread thread_;
    std::atomic<win::HWND> window_{nullptr};
    std::atomic<bool> leaveSilently_{false};
};

// Pumps the calling thread's messages until `done` is true or the bound passes.
inline bool PumpUntil(const std::function<bool()>& done, win::DWORD boundMs = kBound) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    win::MSG msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        if (win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 20, win::QS_ALLINPUT) ==
            win::WAIT_FAILED) {
            return false;
        }
        while (win::PeekMessage(&msg, win::PM_REMOVE)) win::DispatchMessage(&msg);
    }
    return true;
}

}  // namespace wintest

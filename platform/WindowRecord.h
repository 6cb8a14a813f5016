#pragma once
// Internal to the platform layer: the window table. Guarded by KernelMutex().
#include <memory>
#include <string>
#include <vector>

#include "platform/WindowTypes.h"

namespace win::detail {

struct ThreadRecord;

struct WindowRecord {
    HWND hwnd = nullptr;
    std::shared_ptr<ThreadRecord> owner;  // the thread that created it
    // A child window's parent, or a top-level window's owner (may be null).
    HWND parent = nullptr;
    bool child = false;
    std::string text;
    bool visible = false;
    bool enabled = true;
    bool destroying = false;  // WM_DESTROY is being delivered
    std::shared_ptr<const WNDPROC> proc;
};

// The live window of that handle, or null.
std::shared_ptr<WindowRecord> FindWindowRecord(HWND hwnd);
HWND InsertWindow(std::shared_ptr<WindowRecord> window);
// Takes the window out of the table: its posted messages and timers go, and
// sends still waiting for it fail.
void RemoveWindow(HWND hwnd);
// Live windows in creation order.
std::vector<std::shared_ptr<WindowRecord>> AllWindows();
// The ending thread's windows go without any message (nobody is left to
// handle one); child windows of other threads become top-level.
void ForgetThreadWindows(const ThreadRecord& thread);

}  // namespace win::detail

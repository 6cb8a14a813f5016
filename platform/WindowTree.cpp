#include <vector>

#include "platform/KernelCore.h"
#include "platform/LastError.h"
#include "platform/Thread.h"
#include "platform/ThreadRecord.h"
#include "platform/Window.h"
#include "platform/WindowRecord.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelMutex;
using detail::WindowRecord;

// Under the lock: the window's top-level window through parents.
std::shared_ptr<WindowRecord> Root(std::shared_ptr<WindowRecord> window) {
    while (window && window->child) {
        std::shared_ptr<WindowRecord> parent = detail::FindWindowRecord(window->parent);
        if (!parent) break;
        window = std::move(parent);
    }
    return window;
}

HWND RootOwner(std::shared_ptr<WindowRecord> window) {
    window = Root(std::move(window));
    while (window && window->parent != nullptr) {
        std::shared_ptr<WindowRecord> owner = Root(detail::FindWindowRecord(window->parent));
        if (!owner) break;
        window = std::move(owner);
    }
    return window ? window->hwnd : nullptr;
}

template <class Filter>
BOOL EnumTopLevel(Filter include, const WNDENUMPROC& callback, BOOL whenNone) {
    std::vector<HWND> found;
    {
        KernelLock lock(KernelMutex());
        for (const auto& window : detail::AllWindows()) {
            if (!window->child && !window->destroying && include(*window)) {
                found.push_back(window->hwnd);
            }
        }
    }
    if (found.empty()) return whenNone;
    for (HWND hwnd : found) {
        if (!callback(hwnd)) return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND GetParent(HWND hwnd) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return window->parent;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    switch (flags) {
        case GA_PARENT:
            return window->child ? window->parent : nullptr;
        case GA_ROOT:
            return Root(window)->hwnd;
        case GA_ROOTOWNER:
            return RootOwner(window);
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

HWND GetWindow(HWND hwnd, UINT command) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window || command != GW_OWNER) {
        SetLastError(window ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return window->child ? nullptr : window->parent;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (processId != nullptr) *processId = GetCurrentProcessId();
    return window->owner->id;
}

BOOL EnumThreadWindows(DWORD threadId, const WNDENUMPROC& callback) {
    return EnumTopLevel(
        [threadId](const WindowRecord& window) { return window.owner->id == threadId; }, callback,
        FALSE);
}

BOOL EnumWindows(const WNDENUMPROC& callback) {
    return EnumTopLevel([](const WindowRecord&) { return true; }, callback, TRUE);
}

}  // namespace win

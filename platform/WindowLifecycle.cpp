#include <algorithm>
#include <vector>

#include "platform/KernelCore.h"
#include "platform/LastError.h"
#include "platform/ThreadRecord.h"
#include "platform/Window.h"
#include "platform/WindowRecord.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelMutex;
using detail::ThreadRecord;
using detail::WindowRecord;
using Windows = std::vector<std::shared_ptr<WindowRecord>>;

// Under the lock: the live window, or null with the last error set.
std::shared_ptr<WindowRecord> FindOwnWindow(HWND hwnd, const ThreadRecord& self) {
    std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window || window->destroying) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (window->owner.get() != &self) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return window;
}

// Under the lock: top-level windows owned by `owner` and created by `self`.
std::vector<HWND> OwnedWindows(HWND owner, const ThreadRecord& self) {
    std::vector<HWND> owned;
    for (const auto& window : detail::AllWindows()) {
        if (window->child || window->parent != owner || window->destroying) continue;
        if (window->owner.get() == &self) {
            owned.push_back(window->hwnd);
        } else {
            window->parent = nullptr;  // another thread's window: no longer owned
        }
    }
    return owned;
}

// Under the lock: the window and its descendants, parents before children.
// Children of other threads are let go as top-level windows.
Windows Subtree(const std::shared_ptr<WindowRecord>& root, const ThreadRecord& self) {
    Windows tree{root};
    const Windows all = detail::AllWindows();
    for (std::size_t i = 0; i < tree.size(); ++i) {
        for (const auto& window : all) {
            if (!window->child || window->parent != tree[i]->hwnd) continue;
            if (window->owner.get() == &self) {
                tree.push_back(window);
            } else {
                window->child = false;
                window->parent = nullptr;
            }
        }
    }
    for (const auto& window : tree) window->destroying = true;
    return tree;
}

void Deliver(const Windows& windows, UINT message) {
    for (const auto& window : windows) (*window->proc)(window->hwnd, message, 0, 0);
}

std::string_view TextOf(LPARAM lParam) {
    const char* text = reinterpret_cast<const char*>(lParam);
    return text == nullptr ? std::string_view() : std::string_view(text);
}

LRESULT CopyTextOut(HWND hwnd, WPARAM capacity, LPARAM lParam) {
    return GetWindowText(hwnd, reinterpret_cast<char*>(lParam), static_cast<int>(capacity));
}

LRESULT StoreText(HWND hwnd, std::string_view text) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window) return FALSE;
    window->text.assign(text);
    return TRUE;
}

}  // namespace

HWND CreateWindow(WNDPROC proc, std::string_view text, DWORD style, HWND parent,
                  void* createParam) {
    if (!proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    auto window = std::make_shared<WindowRecord>();
    window->owner = self;
    window->parent = parent;
    window->child = (style & WS_CHILD) != 0;
    window->text.assign(text);
    window->visible = (style & WS_VISIBLE) != 0;
    window->enabled = (style & WS_DISABLED) == 0;
    window->proc = std::make_shared<const WNDPROC>(std::move(proc));
    HWND hwnd = nullptr;
    {
        KernelLock lock(KernelMutex());
        if (parent != nullptr && !detail::FindWindowRecord(parent)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if (window->child && parent == nullptr) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        if (self->ended) {
            SetLastError(ERROR_INVALID_THREAD_ID);
            return nullptr;
        }
        hwnd = detail::InsertWindow(window);
    }
    const std::string name(text);
    CREATESTRUCT create{createParam, parent, name.c_str(), style};
    if ((*window->proc)(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(hwnd);
        SetLastError(ERROR_CANCELLED);
        return nullptr;
    }
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    std::vector<HWND> owned;
    {
        KernelLock lock(KernelMutex());
        if (!FindOwnWindow(hwnd, *self)) return FALSE;
        owned = OwnedWindows(hwnd, *self);
    }
    for (HWND each : owned) DestroyWindow(each);
    Windows tree;
    {
        KernelLock lock(KernelMutex());
        std::shared_ptr<WindowRecord> window = FindOwnWindow(hwnd, *self);
        if (!window) return TRUE;  // an owned window's handler destroyed it already
        tree = Subtree(window, *self);
    }
    Deliver(tree, WM_DESTROY);
    std::reverse(tree.begin(), tree.end());
    Deliver(tree, WM_NCDESTROY);
    KernelLock lock(KernelMutex());
    for (const auto& window : tree) detail::RemoveWindow(window->hwnd);
    for (const auto& window : detail::AllWindows()) {
        if (window->parent != nullptr && !detail::FindWindowRecord(window->parent)) {
            window->parent = nullptr;  // made during WM_DESTROY under a window now gone
            window->child = false;
        }
    }
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    KernelLock lock(KernelMutex());
    return detail::FindWindowRecord(hwnd) ? TRUE : FALSE;
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETTEXT:
            return CopyTextOut(hwnd, wParam, lParam);
        case WM_GETTEXTLENGTH:
            return GetWindowTextLength(hwnd);
        case WM_SETTEXT:
            return StoreText(hwnd, TextOf(lParam));
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        default:
            return 0;
    }
}

}  // namespace win

#include <cstring>
#include <optional>

#include "platform/CodePage.h"
#include "platform/KernelCore.h"
#include "platform/LastError.h"
#include "platform/Message.h"
#include "platform/Window.h"
#include "platform/WindowRecord.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelMutex;
using detail::WindowRecord;

// Under the lock: the live window, or null with the last error set.
std::shared_ptr<WindowRecord> Find(HWND hwnd) {
    std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

// The longest start of `text` that fits in `limit` bytes without cutting a character.
std::size_t WholeCharacters(std::string_view text, std::size_t limit) {
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = CharNext(text, end);
        if (next > limit) break;
        end = next;
    }
    return end;
}

// Sets one flag; tells the procedure when it changed. Returns the old value
// (none for a dead window).
std::optional<bool> ChangeFlag(HWND hwnd, bool WindowRecord::*flag, bool value, UINT notification) {
    bool previous = false;
    {
        KernelLock lock(KernelMutex());
        std::shared_ptr<WindowRecord> window = Find(hwnd);
        if (!window) return std::nullopt;
        previous = (*window).*flag;
        (*window).*flag = value;
    }
    if (previous != value) SendNotifyMessage(hwnd, notification, value ? TRUE : FALSE, 0);
    return previous;
}

}  // namespace

int GetWindowText(HWND hwnd, char* buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0) return 0;
    buffer[0] = '\0';
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = Find(hwnd);
    if (!window) return 0;
    const std::size_t length =
        WholeCharacters(window->text, static_cast<std::size_t>(maxCount) - 1);
    std::memcpy(buffer, window->text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

int GetWindowTextLength(HWND hwnd) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = Find(hwnd);
    return window ? static_cast<int>(window->text.size()) : 0;
}

std::string GetWindowTextString(HWND hwnd) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = Find(hwnd);
    return window ? window->text : std::string();
}

BOOL SetWindowText(HWND hwnd, std::string_view text) {
    const std::string terminated(text);
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(terminated.c_str())) != 0
               ? TRUE
               : FALSE;
}

BOOL ShowWindow(HWND hwnd, int command) {
    if (command < SW_HIDE || command > SW_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::optional<bool> wasVisible =
        ChangeFlag(hwnd, &WindowRecord::visible, command != SW_HIDE, WM_SHOWWINDOW);
    return wasVisible.value_or(false) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    KernelLock lock(KernelMutex());
    for (std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd); window;
         window = detail::FindWindowRecord(window->parent)) {
        if (!window->visible) return FALSE;
        if (!window->child) return TRUE;  // an owner's visibility does not count
    }
    return FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    const std::optional<bool> wasEnabled =
        ChangeFlag(hwnd, &WindowRecord::enabled, enable != FALSE, WM_ENABLE);
    return wasEnabled.has_value() && !*wasEnabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<WindowRecord> window = detail::FindWindowRecord(hwnd);
    return window && window->enabled ? TRUE : FALSE;
}

}  // namespace win

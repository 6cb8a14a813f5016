#include "platform/CopyDataWindows.h"

#include <cstdint>
#include <limits>
#include <mutex>
#include <set>

#include "platform/CopyData.h"
#include "platform/LastError.h"
#include "platform/Window.h"

namespace win {

namespace detail {

namespace {

struct Receivers {
    std::mutex mutex;
    std::set<HWND> windows;
};

Receivers& OpenReceivers() {
    static auto* receivers = new Receivers;  // used until the process's last thread ends
    return *receivers;
}

}  // namespace

void AddCopyDataWindow(HWND hwnd) {
    std::lock_guard<std::mutex> hold(OpenReceivers().mutex);
    OpenReceivers().windows.insert(hwnd);
}

void RemoveCopyDataWindow(HWND hwnd) {
    std::lock_guard<std::mutex> hold(OpenReceivers().mutex);
    OpenReceivers().windows.erase(hwnd);
}

bool HasCopyDataWindow(HWND hwnd) {
    std::lock_guard<std::mutex> hold(OpenReceivers().mutex);
    return OpenReceivers().windows.contains(hwnd);
}

}  // namespace detail

std::uint32_t WindowToUInt32(HWND hwnd) {
    const auto number = reinterpret_cast<std::uintptr_t>(hwnd);
    if (!IsWindow(hwnd) || number > std::numeric_limits<std::uint32_t>::max()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<std::uint32_t>(number);
}

HWND WindowFromUInt32(std::uint32_t window) {
    const auto hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
    if (window == 0 || !detail::HasCopyDataWindow(hwnd) || !IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return hwnd;
}

}  // namespace win

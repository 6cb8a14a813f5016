#include <algorithm>
#include <map>

#include "platform/MessageCore.h"
#include "platform/ThreadRecord.h"
#include "platform/WindowRecord.h"

namespace win::detail {

namespace {

// Handle values are even and never handed out twice, so a stale handle
// cannot reach a newer window.
constexpr std::uintptr_t kFirstWindow = 0x10010;
constexpr std::uintptr_t kWindowStep = 2;

struct WindowTable {
    std::uintptr_t next = kFirstWindow;
    std::map<HWND, std::shared_ptr<WindowRecord>> windows;  // ordered by creation
};

WindowTable& Table() {
    static auto* table = new WindowTable;  // see KernelMutex()
    return *table;
}

void DropQueuedFor(ThreadRecord& thread, HWND hwnd) {
    std::erase_if(thread.posted, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
    std::erase_if(thread.timers, [hwnd](const TimerEntry& timer) { return timer.hwnd == hwnd; });
    std::erase_if(thread.sends, [hwnd](const std::shared_ptr<SentMessage>& sent) {
        if (sent->hwnd != hwnd) return false;
        CompleteSend(*sent, SentMessage::State::Failed, 0);
        return true;
    });
}

}  // namespace

std::shared_ptr<WindowRecord> FindWindowRecord(HWND hwnd) {
    auto found = Table().windows.find(hwnd);
    return found == Table().windows.end() ? nullptr : found->second;
}

HWND InsertWindow(std::shared_ptr<WindowRecord> window) {
    WindowTable& table = Table();
    window->hwnd = reinterpret_cast<HWND>(table.next);
    table.next += kWindowStep;
    table.windows.emplace(window->hwnd, window);
    return window->hwnd;
}

void RemoveWindow(HWND hwnd) {
    auto found = Table().windows.find(hwnd);
    if (found == Table().windows.end()) return;
    std::shared_ptr<WindowRecord> window = std::move(found->second);
    Table().windows.erase(found);
    DropQueuedFor(*window->owner, hwnd);
}

std::vector<std::shared_ptr<WindowRecord>> AllWindows() {
    std::vector<std::shared_ptr<WindowRecord>> windows;
    windows.reserve(Table().windows.size());
    for (const auto& [hwnd, window] : Table().windows) windows.push_back(window);
    return windows;
}

void ForgetThreadWindows(const ThreadRecord& thread) {
    std::vector<HWND> gone;
    for (const auto& [hwnd, window] : Table().windows) {
        if (window->owner.get() == &thread) gone.push_back(hwnd);
    }
    for (HWND hwnd : gone) Table().windows.erase(hwnd);
    for (const auto& [hwnd, window] : Table().windows) {
        if (std::find(gone.begin(), gone.end(), window->parent) == gone.end()) continue;
        window->parent = nullptr;
        window->child = false;
    }
}

}  // namespace win::detail

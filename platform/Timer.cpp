#include "platform/Timer.h"

#include <algorithm>

#include "platform/KernelCore.h"
#include "platform/LastError.h"
#include "platform/ThreadRecord.h"
#include "platform/WindowRecord.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelMutex;
using detail::TimerEntry;

std::vector<TimerEntry>::iterator FindTimer(std::vector<TimerEntry>& timers, HWND hwnd,
                                            UINT_PTR id) {
    return std::find_if(timers.begin(), timers.end(), [&](const TimerEntry& timer) {
        return timer.hwnd == hwnd && timer.id == id;
    });
}

}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT intervalMs) {
    if (id == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::chrono::milliseconds interval(std::max(intervalMs, USER_TIMER_MINIMUM));
    std::shared_ptr<IThreadDispatcher> dispatcher;
    {
        KernelLock lock(KernelMutex());
        std::shared_ptr<detail::WindowRecord> window = detail::FindWindowRecord(hwnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        std::vector<TimerEntry>& timers = window->owner->timers;
        const TimerEntry timer{hwnd, id, interval, detail::Clock::now() + interval};
        auto existing = FindTimer(timers, hwnd, id);
        if (existing != timers.end()) {
            *existing = timer;
        } else {
            timers.push_back(timer);
        }
        // A waiting GetMessage must recompute when it wakes up next.
        dispatcher = detail::NotifyThread(*window->owner);
    }
    detail::WakeDispatcher(dispatcher);
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<detail::WindowRecord> window = detail::FindWindowRecord(hwnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::vector<TimerEntry>& timers = window->owner->timers;
    auto existing = FindTimer(timers, hwnd, id);
    if (existing == timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    timers.erase(existing);
    return TRUE;
}

}  // namespace win

#pragma once
// Internal to the platform layer. One lock guards every kernel object,
// message queue and window of the process, so a wait can look at several
// objects and at its thread's incoming messages at once without missing a
// wake-up. It is never held while outside code runs: window procedures,
// thread bodies and dispatchers are always called without it.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "platform/KernelTypes.h"

namespace win::detail {

using Clock = std::chrono::steady_clock;
using KernelLock = std::unique_lock<std::mutex>;

std::mutex& KernelMutex();

// A time-out in milliseconds (INFINITE: none) turned into a point in time.
class Deadline {
public:
    explicit Deadline(DWORD timeoutMs);
    bool Expired() const;
    // Sleeps on `cv` until notified, the deadline or `earlier`, whichever comes first.
    void WaitOn(std::condition_variable& cv, KernelLock& lock,
                std::optional<Clock::time_point> earlier = std::nullopt) const;

private:
    std::optional<Clock::time_point> at_;
};

DWORD MillisecondsSinceStart();

}  // namespace win::detail

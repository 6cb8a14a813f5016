#include "platform/KernelCore.h"

#include <pthread.h>

namespace win::detail {

std::mutex& KernelMutex() {
    // Never destroyed: threads may still end, and give up their windows and
    // mutexes, while the process exits.
    static std::mutex* mutex = [] {
        auto* created = new std::mutex;
        // A child of fork() must not inherit the lock taken by another thread.
        pthread_atfork([] { KernelMutex().lock(); }, [] { KernelMutex().unlock(); },
                       [] { KernelMutex().unlock(); });
        return created;
    }();
    return *mutex;
}

Deadline::Deadline(DWORD timeoutMs) {
    if (timeoutMs != INFINITE) at_ = Clock::now() + std::chrono::milliseconds(timeoutMs);
}

bool Deadline::Expired() const {
    return at_ && Clock::now() >= *at_;
}

void Deadline::WaitOn(std::condition_variable& cv, KernelLock& lock,
                      std::optional<Clock::time_point> earlier) const {
    std::optional<Clock::time_point> until = at_;
    if (earlier && (!until || *earlier < *until)) until = earlier;
    if (until) {
        cv.wait_until(lock, *until);
    } else {
        cv.wait(lock);
    }
}

DWORD MillisecondsSinceStart() {
    static const Clock::time_point start = Clock::now();
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

}  // namespace win::detail

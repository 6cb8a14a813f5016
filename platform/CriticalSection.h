#pragma once
// A critical section: a recursive lock of one process, never waited on as an
// object and serving no messages while blocked (as on Windows). Usable with
// std::lock_guard and std::unique_lock.
#include <atomic>
#include <mutex>
#include <thread>

namespace win {

class CCriticalSection {
public:
    void Enter();
    bool TryEnter();
    // A thread that does not own it changes nothing and gets false, instead
    // of corrupting the lock.
    bool Leave();

    void lock() { Enter(); }
    bool try_lock() { return TryEnter(); }
    void unlock() { Leave(); }

private:
    bool OwnedByCaller() const { return owner_.load() == std::this_thread::get_id(); }

    std::mutex mutex_;
    std::atomic<std::thread::id> owner_{};
    unsigned count_ = 0;  // touched only by the owner
};

}  // namespace win

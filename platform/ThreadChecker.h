#pragma once
// A check that an object's members run on the one thread the object belongs
// to, so that a call from another thread stops the tests at the call instead
// of becoming a race. Objects hold one through KIV_THREAD_CHECKER and their
// members check it with KIV_CHECK_THREAD: both are empty in release builds
// (NDEBUG), at no cost.
#include <atomic>
#include <thread>

namespace win {

class CThreadChecker {
public:
    // Bound to the constructing thread.
    CThreadChecker() : owner_(std::this_thread::get_id()) {}

    // Aborts with a message naming `member` when called on another thread
    // than the bound one; binds to the calling thread after Detach.
    void Check(const char* member) const;
    // For an object made on one thread and handed to another before use.
    void Detach() { owner_.store(std::thread::id()); }

private:
    mutable std::atomic<std::thread::id> owner_;
};

}  // namespace win

#ifdef NDEBUG
#define KIV_THREAD_CHECKER(name) static_assert(true)
#define KIV_CHECK_THREAD(name) static_cast<void>(0)
#else
#define KIV_THREAD_CHECKER(name) ::win::CThreadChecker name
#define KIV_CHECK_THREAD(name) (name).Check(__func__)
#endif

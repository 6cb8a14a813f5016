#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/LockFileOpen.h"
#include "platform/MutexFileName.h"
#include "platform/RecordLock.h"

namespace win {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes of the lock file: the owner holds the first exclusively, every open
// CNamedMutex of the name holds the second shared.
constexpr off_t kOwnershipByte = 0;
constexpr off_t kPresenceByte = 1;
constexpr auto kLongestPollPause = std::chrono::milliseconds(10);

enum class Acquired { Yes, TimedOut, Failed };

}  // namespace

// One per name and process, shared by every CNamedMutex of that name in the
// process, as handles share a kernel object. `owner` is set while a thread
// owns the mutex or is taking the lock file for it; the other threads of
// the process wait on `released`.
struct NamedMutexState {
    explicit NamedMutexState(int lockFd) : fd(lockFd) {}
    ~NamedMutexState() {
        if (fd >= 0) close(fd);  // also drops the file's locks
    }
    NamedMutexState(const NamedMutexState&) = delete;
    NamedMutexState& operator=(const NamedMutexState&) = delete;

    const int fd;  // -1 for an unnamed mutex
    const pid_t pid = getpid();
    std::mutex guard;
    std::condition_variable released;
    std::thread::id owner;
    unsigned count = 0;
};

namespace {

using State = NamedMutexState;

// Never destroyed: threads may still release mutexes while the process exits.
struct Registry {
    std::mutex guard;
    std::map<std::string, std::weak_ptr<State>, std::less<>> states;

    static Registry& Instance() {
        static Registry* registry = [] {
            auto* created = new Registry;
            // A child of fork() must not inherit a registry locked by another thread.
            pthread_atfork([] { Instance().guard.lock(); }, [] { Instance().guard.unlock(); },
                           [] { Instance().guard.unlock(); });
            return created;
        }();
        return *registry;
    }
};

std::shared_ptr<State> OpenLockFile(std::string_view key, bool& existed) {
    std::string folder;
    if (!GetKnownFolderNativePath(KnownFolder::Runtime, folder)) {
        return nullptr;
    }
    const int fd = OpenUserLockFile(folder, MutexLockFileName(key));
    if (fd < 0) {
        SetLastErrorFromErrno(errno, true);
        return nullptr;
    }
    auto state = std::make_shared<State>(fd);
    // Nobody else has the name open exactly when the presence byte can be
    // locked exclusively; the change to shared is atomic, so a creator
    // racing us sees our mark either way.
    int error = TryLockByte(fd, kPresenceByte, LockKind::Exclusive);
    existed = error == EAGAIN;
    if (error == 0 || existed) {
        error = LockByte(fd, kPresenceByte, LockKind::Shared);
    }
    if (error != 0) {
        SetLastErrorFromErrno(error);
        return nullptr;
    }
    return state;
}

std::shared_ptr<State> FindOrOpen(std::string_view key, bool& existed) {
    Registry& registry = Registry::Instance();
    std::lock_guard<std::mutex> lock(registry.guard);
    auto found = registry.states.find(key);
    if (found != registry.states.end()) {
        std::shared_ptr<State> shared = found->second.lock();
        if (shared && shared->pid == getpid()) {  // not one inherited through fork()
            existed = true;
            return shared;
        }
    }
    std::shared_ptr<State> opened = OpenLockFile(key, existed);
    if (opened) {
        std::erase_if(registry.states, [](const auto& entry) { return entry.second.expired(); });
        registry.states.insert_or_assign(std::string(key), opened);
    }
    return opened;
}

// Caller holds state.guard; the thread gives up its ownership entirely.
void GiveUp(State& state) {
    state.count = 0;
    state.owner = std::thread::id();
    if (state.fd >= 0) UnlockByte(state.fd, kOwnershipByte);
    state.released.notify_all();
}

// A thread that ends while owning mutexes releases them, so that the other
// threads are not blocked for ever (Windows hands them over as abandoned).
struct OwnedByThisThread {
    std::vector<std::weak_ptr<State>> states;
    ~OwnedByThisThread() {
        for (const auto& weak : states) {
            if (auto state = weak.lock()) {
                std::lock_guard<std::mutex> lock(state->guard);
                // After fork() the lock belongs to the parent's open file too.
                if (state->pid == getpid() && state->owner == std::this_thread::get_id() &&
                    state->count > 0) {
                    GiveUp(*state);
                }
            }
        }
    }
};
thread_local OwnedByThisThread ownedByThisThread;

void ForgetOwned(const State* state) {
    auto& states = ownedByThisThread.states;
    std::erase_if(states, [state](const std::weak_ptr<State>& weak) {
        auto shared = weak.lock();
        return !shared || shared.get() == state;
    });
}

Acquired Fail(int error) {
    SetLastErrorFromErrno(error);
    return Acquired::Failed;
}

// Polls with short pauses: record locks have no timed wait.
Acquired LockFileUntil(int fd, Clock::time_point deadline) {
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        const int error = TryLockByte(fd, kOwnershipByte, LockKind::Exclusive);
        if (error == 0) return Acquired::Yes;
        if (error != EAGAIN) return Fail(error);
        const auto now = Clock::now();
        if (now >= deadline) return Acquired::TimedOut;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, kLongestPollPause);
    }
}

Acquired LockFile(int fd, DWORD timeoutMs, Clock::time_point deadline) {
    if (fd < 0) return Acquired::Yes;
    if (timeoutMs == INFINITE) {
        const int error = LockByte(fd, kOwnershipByte, LockKind::Exclusive);
        return error == 0 ? Acquired::Yes : Fail(error);
    }
    return LockFileUntil(fd, deadline);
}

// Waits for the other threads of this process; true once this thread has claimed it.
bool ClaimInProcess(State& state, std::unique_lock<std::mutex>& lock, DWORD timeoutMs,
                    Clock::time_point deadline) {
    auto isFree = [&state] { return state.owner == std::thread::id(); };
    if (timeoutMs == INFINITE) {
        state.released.wait(lock, isFree);
    } else if (!state.released.wait_until(lock, deadline, isFree)) {
        return false;
    }
    state.owner = std::this_thread::get_id();
    return true;
}

}  // namespace

bool CNamedMutex::Create(std::string_view name, bool initiallyOwned) {
    state_.reset();
    alreadyExisted_ = false;
    bool existed = false;
    std::shared_ptr<State> state =
        name.empty() ? std::make_shared<State>(-1) : FindOrOpen(MutexKey(name), existed);
    if (!state) {
        return false;
    }
    state_ = std::move(state);
    alreadyExisted_ = existed;
    // As with CreateMutex, only the creator of a new mutex gets it owned.
    if (initiallyOwned && !existed && Wait(INFINITE) != WAIT_OBJECT_0) {
        state_.reset();
        return false;
    }
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return true;
}

CNamedMutex::~CNamedMutex() = default;

DWORD CNamedMutex::Wait(DWORD timeoutMs) {
    if (!state_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    State& state = *state_;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(state.guard);
    if (state.owner == std::this_thread::get_id() && state.count > 0) {
        ++state.count;
        return WAIT_OBJECT_0;
    }
    if (!ClaimInProcess(state, lock, timeoutMs, deadline)) {
        return WAIT_TIMEOUT;
    }
    lock.unlock();  // the other threads wait on `released`, not on the guard
    const Acquired acquired = LockFile(state.fd, timeoutMs, deadline);
    lock.lock();
    if (acquired != Acquired::Yes) {
        state.owner = std::thread::id();
        state.released.notify_all();
        return acquired == Acquired::TimedOut ? WAIT_TIMEOUT : WAIT_FAILED;
    }
    state.count = 1;
    ownedByThisThread.states.push_back(state_);
    return WAIT_OBJECT_0;
}

bool CNamedMutex::Release() {
    if (!state_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    State& state = *state_;
    std::lock_guard<std::mutex> lock(state.guard);
    if (state.owner != std::this_thread::get_id() || state.count == 0) {
        SetLastError(ERROR_NOT_OWNER);
        return false;
    }
    if (--state.count == 0) {
        GiveUp(state);
        ForgetOwned(&state);
    }
    return true;
}

bool CNamedMutex::AlreadyExisted() const {
    return alreadyExisted_;
}

bool CNamedMutex::IsValid() const {
    return state_ != nullptr;
}

}  // namespace win

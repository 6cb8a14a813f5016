#pragma once
// Internal to the platform layer: a child process this layer started, seen
// through the two waitable objects CreateProcess hands out. Under KernelMutex().
#include <sys/types.h>

#include <memory>

#include "platform/KernelObject.h"

namespace win::detail {

// What the process handle and the primary thread's handle share.
struct ChildState {
    explicit ChildState(pid_t childPid) : pid(childPid) {}
    const pid_t pid;
    // Set before the child is reaped: while it is false the pid still names
    // our child (or its zombie), so signalling it cannot reach a stranger.
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
};

// Signalled once the child has ended.
class ChildObject : public KernelObject {
public:
    explicit ChildObject(std::shared_ptr<ChildState> state) : state_(std::move(state)) {}
    bool IsSignalledFor(const ThreadRecord&) const override { return state_->ended; }
    ChildState& State() const { return *state_; }
    void WakeAll() { WakeWaiters(); }

private:
    const std::shared_ptr<ChildState> state_;
};

// Distinct types, so a thread handle is never taken for a process handle.
class ProcessObject : public ChildObject {
    using ChildObject::ChildObject;
};
class PrimaryThreadObject : public ChildObject {
    using ChildObject::ChildObject;
};

// Makes both handles for a freshly started child and starts the thread that
// reaps it. False when no thread can be started: the child is then killed
// and reaped, and the last error is set. Call without the lock.
bool AdoptChild(pid_t pid, HANDLE& process, HANDLE& thread);

}  // namespace win::detail

#pragma once
// Internal to the platform layer: a waitable object and the process's handle
// table. Everything here is used under KernelMutex().
#include <memory>
#include <vector>

#include "platform/KernelTypes.h"

namespace win::detail {

struct ThreadRecord;

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Whether a wait by `waiter` would be satisfied now.
    virtual bool IsSignalledFor(const ThreadRecord& waiter) const = 0;
    // Completes a satisfied wait (an auto-reset event resets, a mutex becomes
    // owned). Returns true when the wait took over an abandoned mutex.
    virtual bool Acquire(ThreadRecord& /*waiter*/) { return false; }

    void AddWaiter(ThreadRecord* waiter) { waiters_.push_back(waiter); }
    void RemoveWaiter(ThreadRecord* waiter);

protected:
    void WakeWaiters();

private:
    std::vector<ThreadRecord*> waiters_;  // one entry per wait in progress
};

HANDLE InsertHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> FindObject(HANDLE handle);
// Removes the handle; the caller drops the returned reference after unlocking.
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> FindObjectAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindObject(handle));
}

}  // namespace win::detail

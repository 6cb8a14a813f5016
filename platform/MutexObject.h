#pragma once
// Internal to the platform layer: an in-process mutex with an owner thread
// and a recursion count. Under KernelMutex().
#include <memory>

#include "platform/KernelObject.h"

namespace win::detail {

class MutexObject : public KernelObject, public std::enable_shared_from_this<MutexObject> {
public:
    bool IsSignalledFor(const ThreadRecord& waiter) const override;
    bool Acquire(ThreadRecord& waiter) override;
    // False when `caller` does not own it.
    bool Release(ThreadRecord& caller);
    // The owner ended without releasing: the next waiter gets it, told so.
    void Abandon();

private:
    const ThreadRecord* owner_ = nullptr;
    unsigned count_ = 0;
    bool abandoned_ = false;
};

}  // namespace win::detail

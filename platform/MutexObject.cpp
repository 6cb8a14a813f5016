#include "platform/MutexObject.h"

#include <algorithm>
#include <utility>

#include "platform/ThreadRecord.h"

namespace win::detail {

bool MutexObject::IsSignalledFor(const ThreadRecord& waiter) const {
    return owner_ == nullptr || owner_ == &waiter;
}

bool MutexObject::Acquire(ThreadRecord& waiter) {
    if (owner_ == &waiter) {
        ++count_;
        return false;
    }
    owner_ = &waiter;
    count_ = 1;
    waiter.ownedMutexes.push_back(shared_from_this());
    return std::exchange(abandoned_, false);
}

bool MutexObject::Release(ThreadRecord& caller) {
    if (owner_ != &caller) return false;
    if (--count_ > 0) return true;
    owner_ = nullptr;
    auto& owned = caller.ownedMutexes;
    auto self =
        std::find_if(owned.begin(), owned.end(),
                     [this](const std::shared_ptr<MutexObject>& m) { return m.get() == this; });
    std::shared_ptr<MutexObject> keepAlive;  // the list may hold the last reference
    if (self != owned.end()) {
        keepAlive = std::move(*self);
        owned.erase(self);
    }
    WakeWaiters();
    return true;
}

void MutexObject::Abandon() {
    owner_ = nullptr;
    count_ = 0;
    abandoned_ = true;
    WakeWaiters();
}

}  // namespace win::detail

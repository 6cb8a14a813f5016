#include "platform/Wait.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/KernelCore.h"
#include "platform/KernelObject.h"
#include "platform/LastError.h"
#include "platform/MessageCore.h"
#include "platform/ThreadRecord.h"
#include "platform/WindowTypes.h"

namespace win {

namespace {

using detail::KernelLock;
using detail::KernelObject;
using detail::ThreadRecord;
using Objects = std::vector<std::shared_ptr<KernelObject>>;

// Registers a thread as waiting on objects for as long as it waits; the
// lock is held whenever it is made or destroyed.
class WaiterRegistration {
public:
    WaiterRegistration(const Objects& objects, ThreadRecord& waiter)
        : objects_(objects), waiter_(waiter) {
        for (const auto& object : objects_) object->AddWaiter(&waiter_);
    }
    ~WaiterRegistration() {
        for (const auto& object : objects_) object->RemoveWaiter(&waiter_);
    }
    WaiterRegistration(const WaiterRegistration&) = delete;
    WaiterRegistration& operator=(const WaiterRegistration&) = delete;

private:
    const Objects& objects_;
    ThreadRecord& waiter_;
};

bool Resolve(DWORD count, const HANDLE* handles, bool waitAll, Objects& objects) {
    for (DWORD i = 0; i < count; ++i) {
        std::shared_ptr<KernelObject> object = detail::FindObject(handles[i]);
        if (!object) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        // Taking one object twice "at once" has no meaning.
        if (waitAll && std::find(objects.begin(), objects.end(), object) != objects.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        objects.push_back(std::move(object));
    }
    return true;
}

std::optional<DWORD> TakeAll(const Objects& objects, ThreadRecord& self) {
    for (const auto& object : objects) {
        if (!object->IsSignalledFor(self)) return std::nullopt;
    }
    bool abandoned = false;
    for (const auto& object : objects) abandoned = object->Acquire(self) || abandoned;
    return abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
}

std::optional<DWORD> TakeFirst(const Objects& objects, ThreadRecord& self) {
    for (DWORD i = 0; i < objects.size(); ++i) {
        if (!objects[i]->IsSignalledFor(self)) continue;
        return (objects[i]->Acquire(self) ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
    }
    return std::nullopt;
}

DWORD WaitLoop(KernelLock& lock, ThreadRecord& self, const Objects& objects, bool waitAll,
               DWORD timeoutMs, DWORD wakeMask) {
    const detail::Deadline deadline(timeoutMs);
    const auto input = static_cast<DWORD>(WAIT_OBJECT_0 + objects.size());
    bool servedSend = false;
    for (;;) {
        std::optional<DWORD> taken = waitAll ? TakeAll(objects, self) : TakeFirst(objects, self);
        if (taken) return *taken;
        if ((wakeMask & QS_SENDMESSAGE) != 0 && servedSend) return input;
        if (detail::HasInput(self, wakeMask)) return input;
        if (detail::ServeOneSend(lock, self)) {
            servedSend = true;
            continue;
        }
        if (deadline.Expired()) return WAIT_TIMEOUT;
        std::optional<detail::Clock::time_point> timer;
        if ((wakeMask & QS_TIMER) != 0) timer = detail::NextTimerDue(self);
        self.sleepsThroughPosts = (wakeMask & (QS_POSTMESSAGE | QS_ALLPOSTMESSAGE)) == 0;
        deadline.WaitOn(self.wake, lock, timer);
        self.sleepsThroughPosts = false;
    }
}

DWORD WaitCore(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs,
               std::optional<DWORD> wakeMask) {
    if (count > MAXIMUM_WAIT_OBJECTS || (count > 0 && handles == nullptr) ||
        (count == 0 && !wakeMask) || (waitAll && wakeMask)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    const std::shared_ptr<ThreadRecord>& self = detail::CurrentThread();
    Objects objects;  // declared before the lock: the last reference goes unlocked
    KernelLock lock(detail::KernelMutex());
    if (!Resolve(count, handles, waitAll, objects)) return WAIT_FAILED;
    WaiterRegistration registration(objects, *self);
    return WaitLoop(lock, *self, objects, waitAll, timeoutMs, wakeMask.value_or(0));
}

}  // namespace

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
    return WaitCore(1, &handle, false, timeoutMs, std::nullopt);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs) {
    return WaitCore(count, handles, waitAll != FALSE, timeoutMs, std::nullopt);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs,
                                DWORD wakeMask) {
    return WaitCore(count, handles, waitAll != FALSE, timeoutMs, wakeMask);
}

void Sleep(DWORD ms) {
    if (ms == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace win

#include "platform/Mutex.h"

#include "platform/KernelCore.h"
#include "platform/LastError.h"
#include "platform/MutexObject.h"
#include "platform/ThreadRecord.h"

namespace win {

using detail::KernelLock;
using detail::KernelMutex;
using detail::MutexObject;

HANDLE CreateMutex(bool initialOwner) {
    const auto& self = detail::CurrentThread();
    auto mutex = std::make_shared<MutexObject>();
    KernelLock lock(KernelMutex());
    if (initialOwner) mutex->Acquire(*self);
    SetLastError(ERROR_SUCCESS);
    return detail::InsertHandle(std::move(mutex));
}

BOOL ReleaseMutex(HANDLE handle) {
    const auto& self = detail::CurrentThread();
    KernelLock lock(KernelMutex());
    std::shared_ptr<MutexObject> mutex = detail::FindObjectAs<MutexObject>(handle);
    if (!mutex) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!mutex->Release(*self)) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

bool CMutex::Create(bool initialOwner) {
    Attach(CreateMutex(initialOwner));
    return IsValid();
}

}  // namespace win

#include "platform/Handle.h"

#include "platform/KernelCore.h"
#include "platform/KernelObject.h"
#include "platform/LastError.h"
#include "platform/Wait.h"

namespace win {

BOOL CloseHandle(HANDLE handle) {
    std::shared_ptr<detail::KernelObject> closed;
    {
        detail::KernelLock lock(detail::KernelMutex());
        closed = detail::RemoveHandle(handle);
    }
    if (!closed) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;  // `closed` goes here, outside the lock
}

CHandle& CHandle::operator=(CHandle&& other) noexcept {
    if (this != &other) Attach(other.Detach());
    return *this;
}

void CHandle::Close() {
    if (HANDLE handle = handle_.exchange(nullptr)) CloseHandle(handle);
}

DWORD CHandle::Wait(DWORD timeoutMs) const {
    return WaitForSingleObject(Handle(), timeoutMs);
}

void CHandle::Attach(HANDLE handle) {
    if (HANDLE previous = handle_.exchange(handle)) CloseHandle(previous);
}

}  // namespace win

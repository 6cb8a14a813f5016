#pragma once
// Owner of one kernel handle: closes it when destroyed. Other code borrows
// the handle through Handle() and never closes it.
#include <atomic>

#include "platform/KernelTypes.h"

namespace win {

class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : handle_(handle) {}
    ~CHandle() { Close(); }
    CHandle(CHandle&& other) noexcept : handle_(other.Detach()) {}
    CHandle& operator=(CHandle&& other) noexcept;
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    HANDLE Handle() const { return handle_.load(); }
    bool IsValid() const { return Handle() != nullptr; }
    // WAIT_OBJECT_0, WAIT_ABANDONED_0, WAIT_TIMEOUT or WAIT_FAILED.
    DWORD Wait(DWORD timeoutMs = INFINITE) const;
    // Safe from any thread, also while another thread waits on the object.
    void Close();
    HANDLE Detach() { return handle_.exchange(nullptr); }

protected:
    void Attach(HANDLE handle);

private:
    std::atomic<HANDLE> handle_{nullptr};
};

}  // namespace win

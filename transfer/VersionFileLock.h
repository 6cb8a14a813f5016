#pragma once
// Holds the version file's named mutex for one load or one save. Every
// process that uses the file derives the same name from the file's path.
#include <string_view>

#include "platform/NamedMutex.h"

namespace kivtransfer {

class CVersionFileLock {
public:
    CVersionFileLock() = default;
    CVersionFileLock(const CVersionFileLock&) = delete;
    CVersionFileLock& operator=(const CVersionFileLock&) = delete;
    ~CVersionFileLock() {
        if (owned_) {
            mutex_.Release();
        }
    }

    // Waits without time limit; false when the mutex cannot be created or
    // waited for.
    bool Acquire(std::string_view lockName) {
        if (!mutex_.Create(lockName)) {
            return false;
        }
        const win::DWORD result = mutex_.Wait(win::INFINITE);
        // An abandoned mutex is owned all the same: saves replace the file
        // atomically, so a holder that died left no half-written file.
        owned_ = result == win::WAIT_OBJECT_0 || result == win::WAIT_ABANDONED;
        return owned_;
    }

private:
    win::CNamedMutex mutex_;
    bool owned_ = false;
};

}  // namespace kivtransfer

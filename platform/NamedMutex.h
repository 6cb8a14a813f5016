#pragma once
// A mutex that other processes open by name, as Win32 named mutexes are.
// Backed by a lock file (flock) in the per-user runtime folder whose name is
// derived from the object's name. Win32 semantics: an owner thread,
// recursive ownership, a release by another thread fails harmlessly, and the
// lock goes away when the owning process dies.
#include <memory>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace win {

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD INFINITE = 0xFFFFFFFFu;

class CNamedMutex {
public:
    // Creates or opens the mutex. After a successful create, AlreadyExisted()
    // tells whether another holder had the name open (ERROR_ALREADY_EXISTS).
    bool Create(std::string_view name, bool initiallyOwned = false);
    ~CNamedMutex();

    DWORD Wait(DWORD timeoutMs = INFINITE);  // WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED
    bool Release();                          // false when the calling thread does not own it
    bool AlreadyExisted() const;
    bool IsValid() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace win

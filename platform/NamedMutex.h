#pragma once
// A mutex that other processes open by name, as Win32 named mutexes are.
//
// Backed by a lock file in the per-user runtime folder (KnownFolder::Runtime)
// whose name is derived from the object's name (MutexFileName.h); "Local\"
// and "Global\" prefixes are dropped, since one user's processes share one
// namespace here. Lock files are never deleted: removing one while another
// process opens it would split the mutex in two.
//
// Locks are record locks owned by the open file (RecordLock.h), on two bytes:
// - byte 0, held exclusively by the owning process: ownership. It vanishes
//   when the owner's process dies, so the next waiter gets the mutex (as
//   WAIT_OBJECT_0; abandonment is not reported).
// - byte 1, held shared by every process that has the name open: presence.
//   Create first tries it exclusively; success means nobody else has the
//   name open. The lock is then turned into a shared one atomically, so two
//   racing creators cannot both believe they were first.
//
// Within a process every CNamedMutex of one name shares one state, as
// handles share a kernel object: an owner thread, recursive ownership, a
// release by another thread fails harmlessly (ERROR_NOT_OWNER), and other
// threads wait. A thread that ends while owning gives the mutex up.
// A child of fork() must create its own objects; the ones it inherited still
// belong to the parent.
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

struct NamedMutexState;  // shared per name and process (NamedMutex.cpp)

class CNamedMutex {
public:
    // Creates or opens the mutex; an empty name gives a mutex of this object
    // alone. After a successful create, AlreadyExisted() tells whether another
    // holder (in this or another process) had the name open; the last error is
    // then ERROR_ALREADY_EXISTS, else ERROR_SUCCESS. `initiallyOwned` takes
    // ownership only when the mutex is new, as CreateMutex does.
    bool Create(std::string_view name, bool initiallyOwned = false);
    ~CNamedMutex();

    DWORD Wait(DWORD timeoutMs = INFINITE);  // WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED
    bool Release();                          // false when the calling thread does not own it
    bool AlreadyExisted() const;
    bool IsValid() const;

private:
    std::shared_ptr<NamedMutexState> state_;
    bool alreadyExisted_ = false;
};

}  // namespace win

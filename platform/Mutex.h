#pragma once
// In-process mutexes with Win32 semantics: an owner thread, recursive
// ownership (each wait that succeeds needs one release), a release by a
// thread that does not own it fails harmlessly (ERROR_NOT_OWNER), and a
// thread that ends while owning one abandons it: the next wait gets it with
// WAIT_ABANDONED_0 + i. Taken and given back through Wait.h.
#include "platform/Handle.h"

namespace win {

HANDLE CreateMutex(bool initialOwner);
BOOL ReleaseMutex(HANDLE mutex);

class CMutex : public CHandle {
public:
    bool Create(bool initialOwner = false);
    bool Release() const { return ReleaseMutex(Handle()) != FALSE; }
};

}  // namespace win

#pragma once
// Waiting for kernel objects, with Win32 results: WAIT_OBJECT_0 + i for the
// first satisfied object (its index), WAIT_ABANDONED_0 + i for a mutex whose
// owner ended without releasing it (the wait owns it now), WAIT_TIMEOUT, or
// WAIT_FAILED with the last error set. A mutex acquired by a wait becomes
// owned by the waiting thread; an auto-reset event it satisfies resets.
//
// Every wait also serves the messages SENT to the calling thread's windows
// while it waits. (Windows does so only in message-aware waits.) A window
// thread waiting for a worker therefore never deadlocks against the
// worker's SendMessage to one of its windows. Posted messages stay queued.
#include "platform/KernelTypes.h"

namespace win {

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs);
// At most MAXIMUM_WAIT_OBJECTS handles. `waitAll` waits until every object
// can be taken at once, and then takes all of them together.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs);
// As above, and also returns WAIT_OBJECT_0 + count when input of the kinds
// in `wakeMask` (QS_ flags, WindowTypes.h) is in the calling thread's queue:
// a posted message or quit request (QS_POSTMESSAGE), a due timer
// (QS_TIMER), or, for QS_SENDMESSAGE, after sends were served. Input already
// waiting counts, not only input that arrived during the wait. `waitAll`
// is refused (ERROR_INVALID_PARAMETER): "all objects and input" is not needed here.
DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD timeoutMs,
                                DWORD wakeMask);
// Serves nothing: a sleeping window thread leaves its senders waiting.
void Sleep(DWORD ms);

}  // namespace win

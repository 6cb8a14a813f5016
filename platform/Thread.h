#pragma once
// Threads as CreateThread makes them: the handle is a waitable object that
// becomes signalled when the thread has ended (after its windows were
// destroyed, its pending sends failed and its mutexes abandoned), and the
// thread may start suspended until ResumeThread. Closing the handle does
// not stop or detach anything: the thread runs on, as on Windows.
#include <functional>

#include "platform/Handle.h"

namespace win {

using ThreadBody = std::function<DWORD()>;

// CREATE_SUSPENDED is the only flag. Null on failure.
HANDLE CreateThread(ThreadBody body, DWORD creationFlags = 0, DWORD* threadId = nullptr);
// The suspend count before the call (0: it was running); (DWORD)-1 on failure.
// Threads can only be suspended at creation: stopping a running thread at an
// arbitrary point is never safe, so there is no SuspendThread.
DWORD ResumeThread(HANDLE thread);
// STILL_ACTIVE while the thread runs, then its body's result.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
DWORD GetThreadId(HANDLE thread);

// Ids of this layer (never reused within the process), not kernel TIDs.
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

class CThread : public CHandle {
public:
    bool Create(ThreadBody body, bool suspended = false);
    bool Resume() const { return ResumeThread(Handle()) != static_cast<DWORD>(-1); }
    DWORD Id() const { return GetThreadId(Handle()); }
};

}  // namespace win

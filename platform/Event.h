#pragma once
// In-process events with Win32 semantics. A manual-reset event stays set
// until reset and releases every waiter; an auto-reset event releases one
// waiter and resets itself. Named events with the same name share one
// object ("Local\" and "Global\" prefixes are dropped); other processes see
// them only through a backend (NamedEventBackend.h).
#include <string_view>

#include "platform/Handle.h"

namespace win {

// Null on failure. Opening an existing name gives a handle to that event and
// sets the last error to ERROR_ALREADY_EXISTS (the flags are then ignored).
HANDLE CreateEvent(bool manualReset, bool initialState, std::string_view name = {});
// ERROR_FILE_NOT_FOUND when no event has that name.
HANDLE OpenEvent(std::string_view name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// A descriptor for poll() that is readable exactly while the event is set,
// so a network wait can include the event. Owned by the event: valid until
// its last handle is closed, and never to be read or written by the caller.
// -1 on failure.
int GetEventWaitFd(HANDLE event);

class CEvent : public CHandle {
public:
    bool Create(bool manualReset, bool initialState, std::string_view name = {});
    bool Set() const { return SetEvent(Handle()) != FALSE; }
    bool Reset() const { return ResetEvent(Handle()) != FALSE; }
    int WaitFd() const { return GetEventWaitFd(Handle()); }
};

}  // namespace win

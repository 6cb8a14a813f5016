#pragma once
// Named events that other processes of the same user reach: each name has
// a FIFO in the runtime folder (KnownFolder::Runtime, "event-" and the
// encoded name; see NamedFifo.h). Install the backend before the events are
// created; the events stay waitable with this layer's waits.
//
// Auto-reset events are the FIFO itself: every SetEvent writes one byte,
// every satisfied wait takes one, so each signal wakes exactly one wait in
// one of the processes. A process hands its own signals to the others: its
// state is cleared again in the same SetEvent and it takes no bytes from
// then on (they would be its own signals coming back). So every SetEvent
// there is one signal for the others; on Windows two sets with no wait
// between count as one, a case requests that wait for their answers never meet.
//
// Manual-reset events live in the process that made the name first; a byte
// from any other process sets the event there, and a watcher thread serves
// that until the last handle is closed. A process that opens such an event
// made elsewhere sets it by writing a byte; its reset, and the state of the
// maker, stay unseen.
//
// OpenEvent cannot learn the type of an event made elsewhere and gives a
// manual-reset event here: enough to set another process's auto-reset
// event, but a process that waits for one must open it with
// CreateEvent(false, ...), which also joins an existing name.
#include <memory>
#include <string>
#include <string_view>

#include "platform/NamedEventBackend.h"

namespace win {

// A backend for the FIFOs in `nativeFolder`, which must be private to the user.
std::shared_ptr<INamedEventBackend> CreateFifoEventBackend(std::string nativeFolder);
// Installs the backend for the runtime folder. False, with the last error
// set, when that folder cannot be had.
bool InstallFifoEventBackend();
// Sets the named event of another process with one byte, without creating
// an event here: for a process that only signals. ERROR_FILE_NOT_FOUND
// when no process has an event of that name open.
bool SignalNamedEventFifo(std::string_view name);

}  // namespace win

#pragma once
// The hook through which named events reach other processes. Without a
// backend, a name is shared by the handles of this process only (an
// in-process registry). A backend, installed once at start-up, mirrors each
// named event to its counterpart in other processes.
#include <functional>
#include <memory>
#include <string>

namespace win {

// The other processes' side of one named event.
class ISharedEvent {
public:
    // Destroyed when the last handle of the event in this process goes.
    virtual ~ISharedEvent() = default;
    // This process set (true) or reset (false) the event, or a wait here
    // consumed an auto-reset event (false).
    virtual void Publish(bool signalled) = 0;
    // True when this process's own sets go to the others and never stay set
    // here: the event is clear again as soon as Publish(true) returns, so
    // the next set is a signal of its own and cannot merge with this one.
    virtual bool HandsOffSignals() const { return false; }
};

struct SharedEventRequest {
    std::string name;  // without a "Local\" or "Global\" prefix
    bool manualReset = true;
    bool initialState = false;
    bool openOnly = false;  // OpenEvent: only an event another process has made
    // For the backend to call, from any thread, when another process sets
    // (true) or resets (false) the event. Harmless once the event is gone.
    std::function<void(bool signalled)> remoteChanged;
};

struct SharedEventAttachment {
    std::unique_ptr<ISharedEvent> link;  // null: the event stays in this process
    bool existed = false;                // another process had it: its state below wins
    bool signalled = false;
};

class INamedEventBackend {
public:
    virtual ~INamedEventBackend() = default;
    // Called when a name is new to this process. It runs under this layer's
    // lock: it must not block for long and must not call back into this
    // layer (remoteChanged included) before returning; neither may
    // ISharedEvent::Publish or the link's destructor.
    virtual SharedEventAttachment Attach(const SharedEventRequest& request) = 0;
};

// Installs the backend for events created from now on (null: none).
void SetNamedEventBackend(std::shared_ptr<INamedEventBackend> backend);

}  // namespace win

#pragma once
// The seam between this window manager and a thread whose event loop is not
// ours (the Qt UI thread). Threads without a dispatcher run the plain loop
// (GetMessage/DispatchMessage, RunModalLoop): they sleep on their queue's
// condition variable, which every post, send and timer change signals.
//
// A thread that runs another loop binds a dispatcher. Whenever something
// arrives for that thread, Wake() is called (from the sending thread, after
// the message is queued); the dispatcher then makes its own loop call
// DispatchPendingMessages() on the bound thread soon, e.g. by posting a Qt
// event to an object living there. The queue's condition variable is
// signalled as well, so a bound thread that is blocked in one of this
// layer's waits still serves sends at once.
#include <functional>
#include <memory>

#include "platform/KernelTypes.h"
#include "platform/WindowTypes.h"

namespace win {

class IThreadDispatcher {
public:
    virtual ~IThreadDispatcher() = default;
    // Any thread, none of this layer's locks held. Must not block and must
    // not call back into this layer: only schedule the pump.
    virtual void Wake() = 0;
    // Bound thread: run a nested loop (pumping as after a Wake) until
    // finished() is true, checked after every pump. Returns false when a
    // quit request ended it; the quit request is then left for the outer loop.
    virtual bool RunModalLoop(const std::function<bool()>& finished) = 0;
};

// Binds `dispatcher` to the calling thread (null unbinds).
void BindThreadDispatcher(std::shared_ptr<IThreadDispatcher> dispatcher);

struct PumpResult {
    bool quitRequested = false;  // PostQuitMessage was called on this thread
    int quitCode = 0;
    DWORD msUntilNextTimer = INFINITE;  // when the next pump is due without a Wake
};

// Serves the sends waiting for the calling thread and dispatches the posted
// messages and due timers that were queued when it started (later ones wait
// for the next pump, so a busy sender cannot starve the outer loop). A quit
// request is taken from the queue and reported.
PumpResult DispatchPendingMessages();

}  // namespace win

#pragma once
// Cancellation, the dialog's pause and the gates teardown closes: what the
// worker checks before and around each step. Called on the worker thread.
#include <cstdint>
#include <mutex>

namespace kivtransfer {

class IRunGate {
public:
    virtual ~IRunGate() = default;
    // Passes through the pause mutex (held while the dialog asks whether to
    // cancel), then tells whether the cancel event is set or the dialog is gone.
    virtual bool IsCancelled() = 0;
    // Becomes readable when the cancel event is signalled, so a blocked
    // network read ends at once.
    virtual int CancelFd() const = 0;
    // Try-only gate around each network read; teardown holds it.
    virtual bool TryTakeReadGate() = 0;
    virtual void ReleaseReadGate() = 0;
    // Held while a chunk is received and written; the page's unload waits
    // for it, so no chunk is half written when the run stops.
    [[nodiscard]] virtual std::unique_lock<std::mutex> HoldChunkLock() = 0;
    // The pauses between attempts.
    virtual void Sleep(std::uint32_t ms) = 0;
};

}  // namespace kivtransfer

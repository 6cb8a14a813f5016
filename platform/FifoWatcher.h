#pragma once
// Internal to the platform layer: the thread that turns bytes arriving on
// a named event's FIFO into state changes of the event in this process.
#include <functional>
#include <memory>
#include <thread>

#include "platform/NamedFifo.h"

namespace win::detail {

class FifoWatcher {
public:
    enum class Mode {
        AnyByteSets,  // manual-reset: every waiting byte is taken, the event is set
        OneByOne,     // auto-reset: one byte per signal, the next only once a wait took it
    };

    // Starts the thread; Started() tells whether that worked (last error set).
    FifoWatcher(NamedFifo fifo, Mode mode, std::function<void(bool)> remoteChanged);
    // Stops the thread, then leaves the FIFO. Also safe on the watcher's own
    // thread (the event may go while it reports a change): it is then let
    // run out instead of joined.
    ~FifoWatcher();
    FifoWatcher(const FifoWatcher&) = delete;
    FifoWatcher& operator=(const FifoWatcher&) = delete;

    bool Started() const { return thread_.joinable(); }
    // OneByOne: this process set the event. The signal goes to the FIFO for
    // the other processes; the state here is cleared again, and from now on
    // this process takes no bytes: they would be its own signals coming back.
    void SignalledHere();
    // OneByOne: a wait here took the signal (or it was reset): ready for the next byte.
    void ClearedHere();

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared>& shared);
    void Wake() const;

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace win::detail

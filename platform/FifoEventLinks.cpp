#include "platform/FifoEventLinks.h"

#include "platform/FifoWatcher.h"

namespace win::detail {

namespace {

// Auto-reset: the FIFO holds the signals; see FifoWatcher::SignalledHere.
class AutoResetLink : public ISharedEvent {
public:
    AutoResetLink(NamedFifo fifo, std::function<void(bool)> remoteChanged)
        : watcher_(std::move(fifo), FifoWatcher::Mode::OneByOne, std::move(remoteChanged)) {}
    bool Started() const { return watcher_.Started(); }
    bool HandsOffSignals() const override { return true; }
    void Publish(bool signalled) override {
        if (signalled) {
            watcher_.SignalledHere();
        } else {
            watcher_.ClearedHere();
        }
    }

private:
    FifoWatcher watcher_;
};

// Manual-reset, in the process that made it: the state lives here, and a
// byte from anyone sets it. Nothing to tell the others.
class ManualResetOwnerLink : public ISharedEvent {
public:
    ManualResetOwnerLink(NamedFifo fifo, std::function<void(bool)> remoteChanged)
        : watcher_(std::move(fifo), FifoWatcher::Mode::AnyByteSets, std::move(remoteChanged)) {}
    bool Started() const { return watcher_.Started(); }
    void Publish(bool) override {}

private:
    FifoWatcher watcher_;
};

// Manual-reset, made by another process: setting it here sets it there. A
// reset cannot travel through a FIFO and stays local.
class ManualResetRemoteLink : public ISharedEvent {
public:
    explicit ManualResetRemoteLink(NamedFifo fifo) : fifo_(std::move(fifo)) {}
    ~ManualResetRemoteLink() override { fifo_.Leave(); }
    ManualResetRemoteLink(const ManualResetRemoteLink&) = delete;
    ManualResetRemoteLink& operator=(const ManualResetRemoteLink&) = delete;
    void Publish(bool signalled) override {
        if (signalled) fifo_.WriteByte();
    }

private:
    NamedFifo fifo_;
};

template <class Link>
std::unique_ptr<ISharedEvent> Started(std::unique_ptr<Link> link) {
    if (!link->Started()) return nullptr;
    return link;
}

}  // namespace

std::unique_ptr<ISharedEvent> MakeFifoEventLink(NamedFifo fifo, bool manualReset, bool othersHold,
                                                std::function<void(bool)> remoteChanged) {
    if (!manualReset) {
        return Started(std::make_unique<AutoResetLink>(std::move(fifo), std::move(remoteChanged)));
    }
    if (othersHold) return std::make_unique<ManualResetRemoteLink>(std::move(fifo));
    return Started(
        std::make_unique<ManualResetOwnerLink>(std::move(fifo), std::move(remoteChanged)));
}

}  // namespace win::detail

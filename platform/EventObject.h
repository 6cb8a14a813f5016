#pragma once
// Internal to the platform layer: an event, with the descriptor that mirrors
// its state for poll(). Under KernelMutex().
#include <memory>

#include "platform/KernelObject.h"
#include "platform/NamedEventBackend.h"

namespace win::detail {

class EventObject : public KernelObject {
public:
    EventObject(bool manualReset, bool signalled)
        : manualReset_(manualReset), signalled_(signalled) {}
    ~EventObject() override;
    EventObject(const EventObject&) = delete;
    EventObject& operator=(const EventObject&) = delete;

    bool IsSignalledFor(const ThreadRecord&) const override { return signalled_; }
    bool Acquire(ThreadRecord& waiter) override;

    // `publish`: tell the other processes (false when the change came from them).
    void SetState(bool signalled, bool publish);
    // An eventfd readable exactly while the event is signalled; -1 on failure.
    int WaitFd();
    void Share(std::unique_ptr<ISharedEvent> link) { shared_ = std::move(link); }

private:
    void MirrorToFd();

    const bool manualReset_;
    bool signalled_;
    int fd_ = -1;
    std::unique_ptr<ISharedEvent> shared_;
};

}  // namespace win::detail

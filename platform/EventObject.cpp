#include "platform/EventObject.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "platform/LastError.h"

namespace win::detail {

EventObject::~EventObject() {
    if (fd_ >= 0) close(fd_);
}

bool EventObject::Acquire(ThreadRecord&) {
    if (!manualReset_) SetState(false, true);
    return false;
}

void EventObject::SetState(bool signalled, bool publish) {
    const bool changed = signalled_ != signalled;
    signalled_ = signalled;
    MirrorToFd();
    if (changed && publish && shared_) {
        shared_->Publish(signalled);
        if (signalled && shared_->HandsOffSignals()) {
            // Cleared here in the same step: a second set before a
            // background clear would otherwise be lost to the others.
            signalled_ = false;
            MirrorToFd();
            return;
        }
    }
    if (signalled) WakeWaiters();
}

int EventObject::WaitFd() {
    if (fd_ < 0) {
        fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd_ < 0) {
            SetLastErrorFromErrno(errno);
            return -1;
        }
        MirrorToFd();
    }
    return fd_;
}

// The counter is 1 while signalled and 0 otherwise, so poll() reports the
// descriptor readable exactly while the event is set. Draining first keeps
// that true even if a careless reader consumed the counter.
void EventObject::MirrorToFd() {
    if (fd_ < 0) return;
    std::uint64_t value = 0;
    (void)!read(fd_, &value, sizeof value);
    value = 1;
    if (signalled_) (void)!write(fd_, &value, sizeof value);
}

}  // namespace win::detail

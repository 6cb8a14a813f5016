#include "platform/FifoWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <system_error>

#include "platform/LastError.h"

namespace win::detail {

// Owned by the watcher object and its thread together, so that a thread
// that is let run out still has its descriptors.
struct FifoWatcher::Shared {
    Shared(NamedFifo namedFifo, Mode watchMode, std::function<void(bool)> changed)
        : fifo(std::move(namedFifo)), mode(watchMode), remoteChanged(std::move(changed)) {}
    ~Shared() {
        if (wakeFd >= 0) close(wakeFd);
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    NamedFifo fifo;
    const Mode mode;
    const std::function<void(bool)> remoteChanged;
    int wakeFd = -1;
    std::atomic<bool> stop{false};
    std::atomic<bool> producer{false};      // OneByOne: this process signals
    std::atomic<bool> held{false};          // OneByOne: a byte taken, not yet waited for
    std::atomic<bool> clearPending{false};  // OneByOne: clear the state set here
};

namespace {

void TakeWake(int wakeFd) {
    std::uint64_t count = 0;
    (void)!read(wakeFd, &count, sizeof count);
}

}  // namespace

FifoWatcher::FifoWatcher(NamedFifo fifo, Mode mode, std::function<void(bool)> remoteChanged)
    : shared_(std::make_shared<Shared>(std::move(fifo), mode, std::move(remoteChanged))) {
    shared_->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared_->wakeFd < 0) {
        SetLastErrorFromErrno(errno);
        return;
    }
    try {
        thread_ = std::thread(&FifoWatcher::Run, shared_);
    } catch (const std::system_error& error) {
        SetLastErrorFromErrno(error.code().value());
    }
}

FifoWatcher::~FifoWatcher() {
    shared_->stop = true;
    if (thread_.joinable()) {
        Wake();
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
    shared_->fifo.Leave();
}

void FifoWatcher::SignalledHere() {
    shared_->producer = true;
    shared_->fifo.WriteByte();
    shared_->clearPending = true;
    Wake();
}

void FifoWatcher::ClearedHere() {
    shared_->held = false;
    Wake();
}

void FifoWatcher::Wake() const {
    const std::uint64_t one = 1;
    (void)!write(shared_->wakeFd, &one, sizeof one);
}

void FifoWatcher::Run(const std::shared_ptr<Shared>& shared) {
    Shared& self = *shared;
    while (!self.stop) {
        const bool oneByOne = self.mode == Mode::OneByOne;
        const bool takeBytes = !oneByOne || (!self.producer && !self.held);
        pollfd fds[2] = {{self.wakeFd, POLLIN, 0},
                         {self.fifo.Fd(), static_cast<short>(takeBytes ? POLLIN : 0), 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;  // nothing left to watch with
        }
        if ((fds[0].revents & POLLIN) != 0) TakeWake(self.wakeFd);
        if (self.stop) break;
        if (self.clearPending.exchange(false)) self.remoteChanged(false);
        if ((fds[1].revents & POLLIN) == 0) continue;
        if (!oneByOne) {
            if (self.fifo.Drain() > 0) self.remoteChanged(true);
        } else if (!self.producer && !self.held && self.fifo.ReadByte()) {
            self.held = true;
            self.remoteChanged(true);
        }
    }
}

}  // namespace win::detail

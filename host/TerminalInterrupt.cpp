#include "host/TerminalInterrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace kivterm {

namespace {

// Shared with the signal handler: plain lock-free atomics only.
std::atomic<int> g_pipeWrite{-1};
std::atomic<int> g_pipeRead{-1};
std::atomic<bool> g_exitArmed{false};
std::atomic<bool> g_instanceActive{false};
struct sigaction g_previous {};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

void OnSigint(int) {
    const int savedErrno = errno;
    if (g_exitArmed.load()) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
    const char byte = 1;
    // A full pipe already holds enough interrupts; the byte may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(g_pipeWrite.load(), &byte, 1);
    errno = savedErrno;
}

void ClosePipe() {
    for (std::atomic<int>* fd : {&g_pipeRead, &g_pipeWrite}) {
        const int old = fd->exchange(-1);
        if (old >= 0) ::close(old);
    }
}

}  // namespace

CTerminalInterrupt::~CTerminalInterrupt() {
    Stop();
}

bool CTerminalInterrupt::Start(std::function<void()> onInterrupt) {
    bool expected = false;
    if (!g_instanceActive.compare_exchange_strong(expected, true)) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_instanceActive = false;
        return false;
    }
    g_pipeRead = fds[0];
    g_pipeWrite = fds[1];
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (stopFd_ < 0 || ::sigaction(SIGINT, &action, &g_previous) != 0) {
        if (stopFd_ >= 0) ::close(stopFd_);
        stopFd_ = -1;
        ClosePipe();
        g_instanceActive = false;
        return false;
    }
    g_exitArmed = false;
    onInterrupt_ = std::move(onInterrupt);
    active_ = true;
    watcher_ = std::thread([this] { Watch(); });
    return true;
}

void CTerminalInterrupt::Stop() {
    if (!active_) return;
    active_ = false;
    ::sigaction(SIGINT, &g_previous, nullptr);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopFd_, &one, sizeof one);
    if (watcher_.joinable()) watcher_.join();
    ::close(stopFd_);
    stopFd_ = -1;
    ClosePipe();
    g_exitArmed = false;
    g_instanceActive = false;
}

void CTerminalInterrupt::ArmImmediateExit() {
    g_exitArmed = true;
}

bool CTerminalInterrupt::ImmediateExitArmed() {
    return g_exitArmed.load();
}

void CTerminalInterrupt::Watch() {
    pollfd fds[2] = {{g_pipeRead.load(), POLLIN, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) return;
        char bytes[16];
        const ssize_t count = ::read(fds[0].fd, bytes, sizeof bytes);
        // Every Ctrl+C counts: the second one means more than the first.
        for (ssize_t i = 0; i < count; ++i) onInterrupt_();
    }
}

}  // namespace kivterm

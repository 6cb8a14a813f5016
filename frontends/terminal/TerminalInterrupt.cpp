#include "frontends/terminal/TerminalInterrupt.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace kivterm {

namespace {

constexpr char kInterruptByte = 'i';
constexpr char kTerminateByte = 't';

// The stop signals, with what was installed before ours (for Stop).
struct StopSignal {
    int number;
    char byte;
    bool installed;
    struct sigaction previous;
};
StopSignal g_signals[] = {
    {SIGINT, kInterruptByte, false, {}},
    {SIGTERM, kTerminateByte, false, {}},
    {SIGHUP, kTerminateByte, false, {}},
};

// Shared with the signal handler: plain lock-free atomics only, and the
// terminal mode, which is written before its descriptor is published.
std::atomic<int> g_pipeWrite{-1};
std::atomic<int> g_pipeRead{-1};
std::atomic<bool> g_exitArmed{false};
std::atomic<bool> g_instanceActive{false};
std::atomic<int> g_modeFd{-1};
termios g_mode{};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

void OnStopSignal(int number) {
    const int savedErrno = errno;
    if (g_exitArmed.load()) {
        // tcsetattr is async-signal-safe: hidden typing is not left behind.
        const int fd = g_modeFd.load();
        if (fd >= 0) ::tcsetattr(fd, TCSANOW, &g_mode);
        std::signal(number, SIG_DFL);
        std::raise(number);
    }
    const char byte = number == SIGINT ? kInterruptByte : kTerminateByte;
    // A full pipe already holds enough signals; the byte may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(g_pipeWrite.load(), &byte, 1);
    errno = savedErrno;
}

void RestoreSignals() {
    for (StopSignal& stop : g_signals) {
        if (stop.installed) ::sigaction(stop.number, &stop.previous, nullptr);
        stop.installed = false;
    }
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

bool CTerminalInterrupt::Start(std::function<void()> onInterrupt,
                               std::function<void()> onTerminate) {
    bool expected = false;
    if (!g_instanceActive.compare_exchange_strong(expected, true)) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_instanceActive = false;
        return false;
    }
    g_pipeRead = fds[0];
    g_pipeWrite = fds[1];
    onInterrupt_ = std::move(onInterrupt);
    onTerminate_ = std::move(onTerminate);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0 || !Install()) {
        if (stopFd_ >= 0) ::close(stopFd_);
        stopFd_ = -1;
        ClosePipe();
        g_instanceActive = false;
        return false;
    }
    g_exitArmed = false;
    active_ = true;
    watcher_ = std::thread([this] { Watch(); });
    return true;
}

bool CTerminalInterrupt::Install() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (StopSignal& stop : g_signals) {
        const bool wanted = stop.byte == kInterruptByte ? bool(onInterrupt_) : bool(onTerminate_);
        if (!wanted) continue;
        if (::sigaction(stop.number, &action, &stop.previous) != 0) {
            RestoreSignals();
            return false;
        }
        stop.installed = true;
    }
    return true;
}

void CTerminalInterrupt::Stop() {
    if (!active_) return;
    active_ = false;
    RestoreSignals();
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

void CTerminalInterrupt::KeepTerminalModeForExit(int fd, const termios& mode) {
    g_modeFd = -1;
    g_mode = mode;
    g_modeFd = fd;
}

void CTerminalInterrupt::ForgetTerminalMode() {
    g_modeFd = -1;
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
        for (ssize_t i = 0; i < count; ++i) {
            const std::function<void()>& handler =
                bytes[i] == kInterruptByte ? onInterrupt_ : onTerminate_;
            if (handler) handler();
        }
    }
}

}  // namespace kivterm

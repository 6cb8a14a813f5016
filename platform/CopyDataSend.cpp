#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

#include "platform/CopyData.h"
#include "platform/CopyDataSocket.h"
#include "platform/CopyDataWire.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/Message.h"
#include "platform/Window.h"

namespace win {

namespace {

using Clock = std::chrono::steady_clock;
using detail::CopyDataStatus;

// Unique per send in this process, and unlikely to repeat in another, so a
// stray reply never answers the wrong record.
std::uint64_t NextSequence() {
    static std::atomic<std::uint64_t> next{std::random_device{}() |
                                           (std::uint64_t{std::random_device{}()} << 32)};
    return next.fetch_add(1);
}

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

class Deadline {
public:
    explicit Deadline(DWORD timeoutMs) {
        if (timeoutMs != INFINITE) at_ = Clock::now() + std::chrono::milliseconds(timeoutMs);
    }
    // For poll(): -1 without a limit.
    int RemainingMs() const {
        if (!at_) return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*at_ - Clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }

private:
    std::optional<Clock::time_point> at_;
};

// True when `events` came before the deadline; ERROR_TIMEOUT otherwise.
bool AwaitReady(int fd, short events, const Deadline& deadline) {
    for (;;) {
        pollfd ready{fd, events, 0};
        const int count = poll(&ready, 1, deadline.RemainingMs());
        if (count > 0) return true;
        if (count == 0) {
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        if (errno != EINTR) {
            SetLastErrorFromErrno(errno);
            return false;
        }
    }
}

DWORD SendFailure(int error) {
    return error == ECONNREFUSED || error == ENOENT ? ERROR_INVALID_WINDOW_HANDLE
                                                    : Win32FromErrno(error);
}

bool SendRecord(int fd, const std::vector<BYTE>& datagram, const Deadline& deadline) {
    for (;;) {
        if (send(fd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) {
            return true;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) {
            SetLastError(SendFailure(errno));
            return false;
        }
        if (!AwaitReady(fd, POLLOUT, deadline)) return false;  // the receiver's queue is full
    }
}

std::optional<detail::CopyDataReply> AwaitReply(int fd, std::uint64_t sequence,
                                                const Deadline& deadline) {
    for (;;) {
        if (!AwaitReady(fd, POLLIN, deadline)) return std::nullopt;
        std::array<BYTE, detail::COPYDATA_REPLY_SIZE + 1> buffer{};
        const ssize_t got = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            SetLastError(SendFailure(errno));
            return std::nullopt;
        }
        auto reply = detail::DecodeCopyDataReply(
            std::span<const BYTE>(buffer.data(), static_cast<std::size_t>(got)));
        if (reply && reply->sequence == sequence) return reply;
    }
}

// A window of the calling thread: its socket would be served by a send to
// this very thread, which is busy waiting for the answer. Call it directly,
// as SendMessage does.
bool IsCallersWindow(HWND hwnd) {
    return hwnd != nullptr && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId();
}

LRESULT DeliverDirectly(HWND hwnd, ULONG_PTR dwData, std::span<const BYTE> bytes,
                        std::uint32_t sourceWindow) {
    std::vector<BYTE> payload(bytes.begin(), bytes.end());
    COPYDATASTRUCT record{dwData, static_cast<DWORD>(payload.size()),
                          payload.empty() ? nullptr : payload.data()};
    return SendMessage(hwnd, WM_COPYDATA, sourceWindow, reinterpret_cast<LPARAM>(&record));
}

// The pid the kernel gives for the sender of the answer to `sequence`.
std::optional<int> AwaitAnswerPid(int fd, std::uint64_t sequence, const Deadline& deadline) {
    for (;;) {
        if (!AwaitReady(fd, POLLIN, deadline)) return std::nullopt;
        std::array<BYTE, detail::COPYDATA_REPLY_SIZE + 1> buffer{};
        iovec part{buffer.data(), buffer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t got = recvmsg(fd, &message, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (got < 0) {
            SetLastError(SendFailure(errno));
            return std::nullopt;
        }
        const auto reply = detail::DecodeCopyDataReply(
            std::span<const BYTE>(buffer.data(), static_cast<std::size_t>(got)));
        const cmsghdr* header = CMSG_FIRSTHDR(&message);
        if (!reply || reply->sequence != sequence || header == nullptr ||
            header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_CREDENTIALS) {
            continue;
        }
        ucred credentials{};
        std::memcpy(&credentials, CMSG_DATA(header), sizeof credentials);
        return credentials.pid;
    }
}

}  // namespace

DWORD GetCopyDataWindowProcessId(std::uint32_t window, DWORD timeoutMs) {
    std::string folder;
    if (window == 0 || !GetKnownFolderNativePath(KnownFolder::Runtime, folder)) {
        if (window == 0) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const Socket socket(detail::ConnectSenderSocket(detail::CopyDataSocketPath(folder, window)));
    const int pass = 1;
    if (socket.Fd() < 0) return 0;
    if (setsockopt(socket.Fd(), SOL_SOCKET, SO_PASSCRED, &pass, sizeof pass) != 0) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    // A record one byte short of what it announces: the receiver answers it
    // as refused without delivering anything.
    const Deadline deadline(timeoutMs);
    const std::uint64_t sequence = NextSequence();
    const BYTE missing = 0;
    std::vector<BYTE> probe = detail::EncodeCopyDataRequest({0, sequence, 0, {&missing, 1}});
    probe.pop_back();
    if (!SendRecord(socket.Fd(), probe, deadline)) return 0;
    const std::optional<int> pid = AwaitAnswerPid(socket.Fd(), sequence, deadline);
    return pid ? static_cast<DWORD>(*pid) : 0;
}

bool IsCopyDataWindowListening(std::uint32_t window) {
    if (window == 0) return false;
    std::string folder;
    if (!GetKnownFolderNativePath(KnownFolder::Runtime, folder)) return true;  // cannot tell
    const Socket socket(detail::ConnectSenderSocket(detail::CopyDataSocketPath(folder, window)));
    return socket.Fd() >= 0 || GetLastError() != ERROR_INVALID_WINDOW_HANDLE;
}

BOOL SendCopyData(std::uint32_t targetWindow, ULONG_PTR dwData, std::span<const BYTE> bytes,
                  DWORD timeoutMs, LRESULT* result, std::uint32_t sourceWindow) {
    if (result != nullptr) *result = 0;
    if (bytes.size() > MAX_COPYDATA_BYTES) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (targetWindow == 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (const HWND own = WindowFromUInt32(targetWindow); IsCallersWindow(own)) {
        const LRESULT answer = DeliverDirectly(own, dwData, bytes, sourceWindow);
        if (result != nullptr) *result = answer;
        return TRUE;
    }
    std::string folder;
    if (!GetKnownFolderNativePath(KnownFolder::Runtime, folder)) return FALSE;
    const Socket socket(
        detail::ConnectSenderSocket(detail::CopyDataSocketPath(folder, targetWindow)));
    if (socket.Fd() < 0) return FALSE;
    const Deadline deadline(timeoutMs);
    const std::uint64_t sequence = NextSequence();
    const auto datagram = detail::EncodeCopyDataRequest({sourceWindow, sequence, dwData, bytes});
    if (!SendRecord(socket.Fd(), datagram, deadline)) return FALSE;
    const std::optional<detail::CopyDataReply> reply = AwaitReply(socket.Fd(), sequence, deadline);
    if (!reply) return FALSE;
    if (reply->status != CopyDataStatus::Delivered) {
        SetLastError(reply->status == CopyDataStatus::WindowGone ? ERROR_INVALID_WINDOW_HANDLE
                                                                 : ERROR_INVALID_DATA);
        return FALSE;
    }
    if (result != nullptr) *result = static_cast<LRESULT>(reply->result);
    return TRUE;
}

}  // namespace win

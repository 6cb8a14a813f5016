#include "tests/support/CannedSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace kivtest {

namespace {

constexpr int kSocketTimeoutMs = 5000;  // backstop for blocking TLS calls
constexpr int kLongestStallMs = 60000;
constexpr int kDrainMs = 2000;

void SetSocketTimeouts(int fd) {
    timeval limit{kSocketTimeoutMs / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

}  // namespace

CannedSocket::CannedSocket(int fd, int stopFd, SSL_CTX* tls) : fd_(fd), stopFd_(stopFd) {
    SetSocketTimeouts(fd_);
    if (tls) {
        ssl_ = SSL_new(tls);
        if (ssl_) {
            SSL_set_fd(ssl_, fd_);
        }
    }
}

CannedSocket::~CannedSocket() {
    CloseNow();
}

bool CannedSocket::Handshake() {
    if (!ssl_) {
        return true;
    }
    return SSL_accept(ssl_) == 1;
}

bool CannedSocket::ReadSome(std::string& into, int idleMs) {
    if (fd_ < 0) {
        return false;
    }
    if (!ssl_ || SSL_pending(ssl_) == 0) {
        pollfd entries[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(entries, 2, idleMs) <= 0 || (entries[1].revents & POLLIN)) {
            return false;
        }
    }
    char buffer[16384];
    long got = ssl_ ? SSL_read(ssl_, buffer, sizeof buffer) : recv(fd_, buffer, sizeof buffer, 0);
    if (got <= 0) {
        return false;
    }
    into.append(buffer, static_cast<std::size_t>(got));
    return true;
}

bool CannedSocket::WriteAll(std::string_view bytes) {
    while (!bytes.empty() && fd_ >= 0) {
        pollfd entries[2] = {{fd_, POLLOUT, 0}, {stopFd_, POLLIN, 0}};
        if (poll(entries, 2, kSocketTimeoutMs) <= 0 || (entries[1].revents & POLLIN)) {
            return false;
        }
        const std::size_t piece = std::min<std::size_t>(bytes.size(), 16384);
        long sent = ssl_ ? SSL_write(ssl_, bytes.data(), static_cast<int>(piece))
                         : send(fd_, bytes.data(), piece, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && !ssl_ && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return bytes.empty();
}

bool CannedSocket::Pause(int ms) {
    pollfd stop{stopFd_, POLLIN, 0};
    return poll(&stop, 1, ms < 0 ? kLongestStallMs : ms) == 0;
}

void CannedSocket::Finish(CannedResponse::Ending ending) {
    if (fd_ < 0) {
        return;
    }
    if (ending == CannedResponse::Ending::Reset) {
        linger abort{1, 0};
        setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    } else if (ssl_) {
        SSL_shutdown(ssl_);
    }
    CloseNow();
}

void CannedSocket::DrainAndClose() {
    if (fd_ < 0) {
        return;
    }
    shutdown(fd_, SHUT_WR);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainMs);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < end) {
        pollfd entries[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(entries, 2, 100) < 0 || (entries[1].revents & POLLIN)) {
            break;
        }
        if ((entries[0].revents & (POLLIN | POLLHUP | POLLERR)) &&
            recv(fd_, buffer, sizeof buffer, 0) <= 0) {
            break;
        }
    }
    CloseNow();
}

void CannedSocket::CloseNow() {
    if (ssl_) {
        SSL_free(ssl_);
        ssl_ = nullptr;
    }
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

}  // namespace kivtest

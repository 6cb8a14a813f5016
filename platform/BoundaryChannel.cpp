#include "platform/BoundaryChannel.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace win {

bool MakeBoundaryPair(BoundaryPair& pair) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return false;
    pair.parent = ends[0];
    pair.child = ends[1];
    return true;
}

bool SendBoundaryMessage(int fd, const BoundaryMessage& message) {
    const auto frame = EncodeBoundaryFrame(message);
    if (!frame) {
        errno = EMSGSIZE;
        return false;
    }
    ssize_t sent;
    do {
        sent = send(fd, frame->data(), frame->size(), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(frame->size());
}

BoundaryReceive ReceiveBoundaryMessage(int fd, BoundaryMessage& message, int timeoutMs) {
    pollfd waited{fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&waited, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return BoundaryReceive::Failed;
    if (ready == 0) return BoundaryReceive::TimedOut;
    // One byte more than a frame may hold, so an oversized datagram shows.
    std::vector<std::uint8_t> buffer(kMaxBoundaryFrameBytes + 1);
    iovec part{buffer.data(), buffer.size()};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;  // no control buffer: passed descriptors are closed
    ssize_t received;
    do {
        received = recvmsg(fd, &header, MSG_CMSG_CLOEXEC);
    } while (received < 0 && errno == EINTR);
    if (received < 0) return BoundaryReceive::Failed;
    if (received == 0) return BoundaryReceive::Closed;
    if ((header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0) return BoundaryReceive::Refused;
    auto decoded = DecodeBoundaryFrame(
        std::span<const std::uint8_t>(buffer.data(), static_cast<size_t>(received)));
    if (!decoded) return BoundaryReceive::Refused;
    message = std::move(*decoded);
    return BoundaryReceive::Message;
}

}  // namespace win

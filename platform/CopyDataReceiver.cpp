#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/CopyData.h"
#include "platform/CopyDataSocket.h"
#include "platform/CopyDataWindows.h"
#include "platform/CopyDataWire.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/Message.h"

namespace win {

namespace {

using detail::CopyDataReply;
using detail::CopyDataStatus;

// One record's delivery on the window's thread. No time limit: the
// procedure reads the record through lParam, so it must not outlive this call.
CopyDataReply Deliver(HWND hwnd, const detail::CopyDataRequest& request) {
    std::vector<BYTE> payload(request.payload.begin(), request.payload.end());
    COPYDATASTRUCT record;
    record.dwData = static_cast<ULONG_PTR>(request.dwData);
    record.cbData = static_cast<DWORD>(payload.size());
    record.lpData = payload.empty() ? nullptr : payload.data();
    DWORD_PTR result = 0;
    CopyDataReply reply{request.sequence, CopyDataStatus::Delivered, 0};
    if (SendMessageTimeout(hwnd, WM_COPYDATA, request.sourceWindow,
                           reinterpret_cast<LPARAM>(&record), SMTO_NORMAL, INFINITE, &result)) {
        reply.result = static_cast<std::int64_t>(result);
    } else {
        reply.status = CopyDataStatus::WindowGone;
    }
    return reply;
}

// The record's bytes and the pid the kernel gives for its sender (0 when it
// gives none).
struct Received {
    ssize_t size = -1;
    int senderPid = 0;
};

Received ReceiveRecord(int socketFd, std::vector<BYTE>& buffer, sockaddr_un& sender,
                       socklen_t& senderLength) {
    iovec part{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = senderLength;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    Received received;
    received.size = recvmsg(socketFd, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    senderLength = message.msg_namelen;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); received.size >= 0 && header != nullptr;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_CREDENTIALS) {
            ucred credentials{};
            std::memcpy(&credentials, CMSG_DATA(header), sizeof credentials);
            received.senderPid = credentials.pid;
        }
    }
    return received;
}

void Answer(int socketFd, const CopyDataReply& reply, const sockaddr_un& sender,
            socklen_t senderLength) {
    if (senderLength <= sizeof(sa_family_t)) return;  // an unbound sender waits for nothing
    const auto datagram = detail::EncodeCopyDataReply(reply);
    (void)!sendto(socketFd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(&sender), senderLength);
}

}  // namespace

bool CCopyDataReceiver::IsAcceptedSender(int pid) const {
    const int accepted = acceptedSender_;
    return accepted == kAnySender || (pid != 0 && (pid == getpid() || pid == accepted));
}

BOOL CCopyDataReceiver::Open(HWND hwnd) {
    Close();
    const std::uint32_t number = WindowToUInt32(hwnd);
    if (number == 0) return FALSE;
    std::string folder;
    if (!GetKnownFolderNativePath(KnownFolder::Runtime, folder)) return FALSE;
    const std::string path = detail::CopyDataSocketPath(folder, number);
    socketFd_ = detail::BindReceiverSocket(path);
    if (socketFd_ < 0) return FALSE;
    socketPath_ = path;
    hwnd_ = hwnd;
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0 || !listener_.Create([this] { return Listen(); })) {
        const DWORD error = wakeFd_ < 0 ? Win32FromErrno(errno) : GetLastError();
        Close();
        SetLastError(error);
        return FALSE;
    }
    detail::AddCopyDataWindow(hwnd);
    return TRUE;
}

void CCopyDataReceiver::Close() {
    if (socketFd_ < 0) return;
    detail::RemoveCopyDataWindow(hwnd_);
    if (listener_.IsValid()) {
        const std::uint64_t stop = 1;
        (void)!write(wakeFd_, &stop, sizeof stop);
        listener_.Wait(INFINITE);  // serves a delivery to this thread's window
        listener_.Close();
    }
    unlink(socketPath_.c_str());
    close(socketFd_);
    if (wakeFd_ >= 0) close(wakeFd_);
    socketFd_ = wakeFd_ = -1;
    socketPath_.clear();
    hwnd_ = nullptr;
}

DWORD CCopyDataReceiver::Listen() {
    // One byte more than the largest record, so that a larger one shows.
    std::vector<BYTE> buffer(detail::COPYDATA_REQUEST_HEADER + MAX_COPYDATA_BYTES + 1);
    for (;;) {
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {socketFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return 1;  // nothing left to listen with
        }
        if ((fds[0].revents & POLLIN) != 0) return 0;
        sockaddr_un sender{};
        socklen_t senderLength = sizeof sender;
        const Received got = ReceiveRecord(socketFd_, buffer, sender, senderLength);
        if (got.size < 0) continue;
        const std::span<const BYTE> datagram(buffer.data(), static_cast<std::size_t>(got.size));
        auto request = detail::DecodeCopyDataRequest(datagram);
        if (request && !IsAcceptedSender(got.senderPid)) request.reset();
        if (request) {
            Answer(socketFd_, Deliver(hwnd_, *request), sender, senderLength);
        } else if (auto sequence = detail::PeekCopyDataSequence(datagram)) {
            Answer(socketFd_, {*sequence, CopyDataStatus::Refused, 0}, sender, senderLength);
        }
    }
}

}  // namespace win

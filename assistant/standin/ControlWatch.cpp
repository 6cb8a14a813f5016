#include "assistant/standin/ControlWatch.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/KnownFolders.h"

CControlWatch::CControlWatch() : parent_(::getppid()) {}

bool CControlWatch::ControlGone() const {
    if (::getppid() != parent_) return true;
    const std::uint32_t window = replyWindow_;
    return window != 0 && !CopyDataWindowListening(window);
}

bool CopyDataWindowListening(std::uint32_t window) {
    std::string folder;
    if (!win::GetKnownFolderNativePath(win::KnownFolder::Runtime, folder)) return true;
    char name[32];
    std::snprintf(name, sizeof name, "/window-%08X", window);
    const std::string path = folder + name;

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return true;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    // Connecting a datagram socket delivers nothing; it only finds the peer.
    const int connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int error = errno;
    ::close(fd);
    return connected == 0 || (error != ECONNREFUSED && error != ENOENT);
}

#include "platform/CopyDataSocket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/LastError.h"
#include "platform/WindowTypes.h"

namespace win::detail {

namespace {

int NewDatagramSocket() {
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) SetLastErrorFromErrno(errno);
    return fd;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int Fail(int fd, DWORD error) {
    if (fd >= 0) close(fd);
    SetLastError(error);
    return -1;
}

// A socket file nobody listens on refuses connections.
bool SomebodyListens(const sockaddr_un& address) {
    const int probe = NewDatagramSocket();
    if (probe < 0) return true;  // cannot tell: leave the file alone
    const bool listening =
        connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
        errno != ECONNREFUSED;
    close(probe);
    return listening;
}

bool IsSocketFile(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

}  // namespace

int BindReceiverSocket(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) return -1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = NewDatagramSocket();
        if (fd < 0) return -1;
        // Every record then carries its sender's credentials, set by the kernel.
        const int pass = 1;
        if (setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &pass, sizeof pass) != 0) {
            return Fail(fd, Win32FromErrno(errno));
        }
        if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            chmod(path.c_str(), 0600);
            return fd;
        }
        if (errno != EADDRINUSE) return Fail(fd, Win32FromErrno(errno));
        close(fd);
        if (!IsSocketFile(path) || SomebodyListens(address)) break;
        unlink(path.c_str());  // left by a process that ended
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return -1;
}

int ConnectSenderSocket(const std::string& path) {
    sockaddr_un target;
    if (!FillAddress(path, target)) return -1;
    const int fd = NewDatagramSocket();
    if (fd < 0) return -1;
    // Only the family: the kernel picks a unique abstract address.
    const sockaddr_un own{AF_UNIX, {}};
    if (bind(fd, reinterpret_cast<const sockaddr*>(&own), sizeof(sa_family_t)) != 0) {
        return Fail(fd, Win32FromErrno(errno));
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        const bool nobody = errno == ENOENT || errno == ECONNREFUSED || errno == ENOTSOCK;
        return Fail(fd, nobody ? ERROR_INVALID_WINDOW_HANDLE : Win32FromErrno(errno));
    }
    return fd;
}

}  // namespace win::detail

#include "platform/FdIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace win {

int WriteAll(int fd, const void* data, std::size_t size) {
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, next, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) {
            return EIO;  // a regular file never takes nothing; do not spin
        }
        next += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

long long ReadRetrying(int fd, void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = read(fd, buffer, size);
        if (count >= 0 || errno != EINTR) {
            return count;
        }
    }
}

void SyncFolder(const char* nativeFolder) {
    const int fd = open(nativeFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace win

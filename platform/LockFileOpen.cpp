#include "platform/LockFileOpen.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace win {

namespace {

// Errors of an open that found something other than a regular file.
bool IsForeignEntry(int error) {
    return error == ELOOP || error == ENXIO;
}

// Puts a fresh empty file at `path` by renaming it over whatever is there;
// the rename replaces a link itself, not what it points to.
bool ReplaceWithEmptyFile(const std::string& path) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    if (rename(name.data(), path.c_str()) == 0) return true;
    const int error = errno;
    unlink(name.data());
    errno = error;
    return false;
}

int OpenRegular(const std::string& path) {
    // Non-blocking, so a FIFO planted at the name cannot hold the open.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return -1;
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
    close(fd);
    errno = ENXIO;
    return -1;
}

}  // namespace

int OpenUserLockFile(const std::string& folder, const std::string& name) {
    const std::string path = folder + "/" + name;
    // A second round only when another process planted again in between.
    for (int round = 0; round < 3; ++round) {
        const int fd = OpenRegular(path);
        if (fd >= 0 || !IsForeignEntry(errno)) return fd;
        if (!ReplaceWithEmptyFile(path)) return -1;
    }
    errno = ELOOP;
    return -1;
}

}  // namespace win

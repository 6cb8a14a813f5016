#include "platform/PrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LastError.h"

namespace win {

namespace {

bool Fail(DWORD code) {
    SetLastError(code);
    return false;
}

// Checks the folder through its open descriptor, so what is checked is what
// was opened even if the name is swapped meanwhile.
bool CheckOwnedFolder(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return Fail(SetLastErrorFromErrno(errno));
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    if ((info.st_mode & 077) != 0 && fchmod(fd, info.st_mode & 0700) != 0) {
        return Fail(SetLastErrorFromErrno(errno));
    }
    return true;
}

}  // namespace

bool EnsurePrivateFolder(const std::string& nativePath) {
    if (mkdir(nativePath.c_str(), 0700) != 0 && errno != EEXIST) {
        return Fail(SetLastErrorFromErrno(errno, true));
    }
    int fd = open(nativePath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A symbolic link (ELOOP) or a non-folder (ENOTDIR) in our place is someone else's doing.
        int error = errno;
        return Fail(error == ELOOP || error == ENOTDIR ? ERROR_ACCESS_DENIED
                                                       : SetLastErrorFromErrno(error, true));
    }
    bool ok = CheckOwnedFolder(fd);
    close(fd);
    return ok;
}

}  // namespace win

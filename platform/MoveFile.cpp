// MoveFile: rename without replacing; a file moved to another volume is
// copied and then deleted, as Windows does for files (not for folders).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/CrashPoint.h"
#include "platform/DosAttributes.h"
#include "platform/FdIo.h"
#include "platform/FileApi.h"
#include "platform/FileErrors.h"
#include "platform/NativePath.h"
#include "platform/ShareLocks.h"

namespace win {

namespace {

BOOL FailForTarget(int error, const std::string& to) {
    return error == EEXIST ? FailWith(ERROR_ALREADY_EXISTS) : FailForPath(error, to);
}

int CopyBytes(int in, int out) {
    char buffer[65536];
    for (;;) {
        const long long count = ReadRetrying(in, buffer, sizeof buffer);
        if (count < 0) return errno;
        if (count == 0) return 0;
        if (const int error = WriteAll(out, buffer, static_cast<std::size_t>(count))) {
            return error;
        }
    }
}

// Content, mode, times and the attribute bits go along; the copy is synced
// before the source goes away.
int CopyContent(int in, int out, const struct stat& source) {
    if (const int error = CopyBytes(in, out)) {
        return error;
    }
    WriteDosAttributes(out, ReadDosAttributes(in));
    fchmod(out, source.st_mode & 07777);
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    futimens(out, times);
    return fsync(out) == 0 ? 0 : errno;
}

BOOL CopyThenDelete(const std::string& from, const std::string& to, const struct stat& source) {
    const int in = open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) {
        return FailForPath(errno, from);
    }
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        close(in);
        return FailForTarget(error, to);
    }
    int error = CopyContent(in, out, source);
    close(in);
    if (close(out) != 0 && error == 0) error = errno;
    if (error == 0 && unlink(from.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(to.c_str());  // never leave two half-moved files behind
        return FailForPath(error, to);
    }
    return TRUE;
}

// For file systems without RENAME_NOREPLACE: a hard link fails atomically
// when the target exists; without hard links only a check is left.
BOOL MoveWithoutNoReplace(const std::string& from, const std::string& to,
                          const struct stat& source) {
    if (!S_ISDIR(source.st_mode)) {
        if (link(from.c_str(), to.c_str()) == 0) {
            if (unlink(from.c_str()) == 0) return TRUE;
            const int error = errno;
            unlink(to.c_str());
            return FailForPath(error, from);
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EMLINK) {
            return FailForTarget(errno, to);
        }
    }
    struct stat target {};
    if (lstat(to.c_str(), &target) == 0) {
        return FailWith(ERROR_ALREADY_EXISTS);
    }
    return rename(from.c_str(), to.c_str()) == 0 ? TRUE : FailForTarget(errno, to);
}

}  // namespace

BOOL MoveFile(std::string_view fromPath, std::string_view toPath) {
    std::string from;
    std::string to;
    if (!ToNativePath(fromPath, from) || !ToNativePath(toPath, to)) {
        return FALSE;
    }
    struct stat source {};
    if (lstat(from.c_str(), &source) != 0) {
        return FailForPath(errno, from);
    }
    CUniqueFd hold;  // kept until the file has its new name
    if (S_ISREG(source.st_mode) && !HoldForRemoval(from, source, hold)) {
        return FailWith(ERROR_SHARING_VIOLATION);
    }
    CrashPoint();
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return TRUE;
    }
    const int error = errno;
    if (error == EXDEV && S_ISREG(source.st_mode)) {
        return CopyThenDelete(from, to, source);
    }
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        return MoveWithoutNoReplace(from, to, source);
    }
    return FailForTarget(error, to);
}

}  // namespace win

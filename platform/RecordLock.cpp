#include "platform/RecordLock.h"

#include <fcntl.h>

#include <cerrno>

namespace win {

namespace {

struct flock ByteRange(off_t offset, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = offset;
    range.l_len = 1;
    return range;  // l_pid must stay 0 for OFD locks
}

short TypeOf(LockKind kind) {
    return kind == LockKind::Shared ? F_RDLCK : F_WRLCK;
}

int Apply(int fd, int command, struct flock range) {
    while (fcntl(fd, command, &range) != 0) {
        if (errno != EINTR) {
            return errno == EACCES ? EAGAIN : errno;  // both mean "held elsewhere"
        }
    }
    return 0;
}

}  // namespace

int TryLockByte(int fd, off_t offset, LockKind kind) {
    return Apply(fd, F_OFD_SETLK, ByteRange(offset, TypeOf(kind)));
}

int LockByte(int fd, off_t offset, LockKind kind) {
    return Apply(fd, F_OFD_SETLKW, ByteRange(offset, TypeOf(kind)));
}

int UnlockByte(int fd, off_t offset) {
    return Apply(fd, F_OFD_SETLK, ByteRange(offset, F_UNLCK));
}

bool OthersLockByte(int fd, off_t offset, LockKind kind) {
    struct flock range = ByteRange(offset, TypeOf(kind));
    if (fcntl(fd, F_OFD_GETLK, &range) != 0) {
        return false;
    }
    return range.l_type != F_UNLCK;
}

}  // namespace win

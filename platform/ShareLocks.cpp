#include "platform/ShareLocks.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdint>

#include "platform/RecordLock.h"

namespace win {

namespace {

constexpr off_t kMarksBase = INT64_MAX - 16;
constexpr off_t kReading = kMarksBase;
constexpr off_t kWriting = kMarksBase + 1;
constexpr off_t kDenyingRead = kMarksBase + 2;
constexpr off_t kDenyingWrite = kMarksBase + 3;

struct Mark {
    bool wanted;
    off_t byte;       // marked by this opener
    off_t conflicts;  // a mark of someone else that forbids it
};

constexpr off_t kEveryMark[] = {kReading, kWriting, kDenyingRead, kDenyingWrite};

// Exclusive marks need a descriptor open for writing; without one the marks
// of others can only be looked at.
bool TakeEveryMarkExclusively(int fd) {
    for (const off_t byte : kEveryMark) {
        const int error = TryLockByte(fd, byte, LockKind::Exclusive);
        if (error == EAGAIN) return false;
        if (error == EBADF) {
            if (OthersLockByte(fd, byte, LockKind::Exclusive)) return false;
        } else if (error != 0) {
            return true;  // no record locks here: nothing to enforce
        }
    }
    return true;
}

int OpenForRemoval(int folder, const std::string& path) {
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const int fd = openat(folder, path.c_str(), O_RDWR | kFlags);
    return fd >= 0 || errno != EACCES ? fd : openat(folder, path.c_str(), O_RDONLY | kFlags);
}

bool IsSameFile(int fd, const struct stat& entry) {
    struct stat opened {};
    return fstat(fd, &opened) == 0 && opened.st_dev == entry.st_dev &&
           opened.st_ino == entry.st_ino;
}

}  // namespace

bool HoldForRemoval(const std::string& nativePath, const struct stat& entry, CUniqueFd& hold) {
    return HoldForRemovalAt(AT_FDCWD, nativePath, entry, hold);
}

bool HoldForRemovalAt(int folder, const std::string& path, const struct stat& entry,
                      CUniqueFd& hold) {
    CUniqueFd fd(OpenForRemoval(folder, path));
    // Replaced meanwhile: the entry the caller removes is not this file.
    if (fd.Get() < 0 || !IsSameFile(fd.Get(), entry)) return true;
    if (!TakeEveryMarkExclusively(fd.Get())) return false;
    hold.Reset(fd.Release());
    return true;
}

bool TakeShareLocks(int fd, const ShareRequest& request) {
    const Mark marks[] = {
        {request.read, kReading, kDenyingRead},
        {request.write, kWriting, kDenyingWrite},
        {request.denyRead, kDenyingRead, kReading},
        {request.denyWrite, kDenyingWrite, kWriting},
    };
    for (const Mark& mark : marks) {
        if (!mark.wanted) continue;
        const int error = TryLockByte(fd, mark.byte, LockKind::Shared);
        if (error == EAGAIN) return false;  // a foreign exclusive lock: do not share
        if (error != 0) return true;        // no record locks here: nothing to enforce
    }
    for (const Mark& mark : marks) {
        if (mark.wanted && OthersLockByte(fd, mark.conflicts, LockKind::Exclusive)) {
            return false;
        }
    }
    return true;
}

}  // namespace win

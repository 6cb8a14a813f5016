#include "platform/ShareLocks.h"

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

}  // namespace

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

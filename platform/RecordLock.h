#pragma once
// One-byte advisory locks owned by an open file description (Linux OFD
// locks). Like flock they hold between two descriptors of one process and
// vanish when the last descriptor closes or the process dies; unlike flock a
// file has many independent ones, and changing a lock's kind is atomic.
#include <sys/types.h>

namespace win {

enum class LockKind { Shared, Exclusive };

// 0 or the errno value (EAGAIN when someone else holds a conflicting lock).
int TryLockByte(int fd, off_t offset, LockKind kind);
// Waits for the lock; interruptions are retried.
int LockByte(int fd, off_t offset, LockKind kind);
int UnlockByte(int fd, off_t offset);
// True when another open file description holds a lock on the byte that
// conflicts with `kind`.
bool OthersLockByte(int fd, off_t offset, LockKind kind);

}  // namespace win

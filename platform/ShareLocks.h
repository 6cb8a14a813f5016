#pragma once
// Windows sharing modes between open files, kept as record locks (RecordLock.h)
// on four bytes far beyond any real data: one each for "has read access",
// "has write access", "denies reading" and "denies writing". An opener first
// marks its own access and denials (shared locks never conflict with each
// other), then looks for conflicting marks of others. Two openers racing
// each see the other's mark, so at worst both fail; both never succeed.
#include <sys/stat.h>

#include <string>

#include "platform/UniqueFd.h"

namespace win {

struct ShareRequest {
    bool read = false;
    bool write = false;
    bool denyRead = false;
    bool denyWrite = false;
};

// Marks `fd` with the request. False when another open file's access or
// denial conflicts (the marks go away when the caller closes `fd`). A file
// system without record locks enforces no sharing.
bool TakeShareLocks(int fd, const ShareRequest& request);

// Before the plain file `entry` at `nativePath` is deleted or renamed, as
// Windows refuses that for a file open without delete sharing: false when
// another open file (of any process) holds a mark on it. Otherwise `hold`
// keeps every mark taken exclusively, so no open succeeds until the caller
// has finished and lets it go. Where the file cannot be opened or locked
// nothing is enforced (true, `hold` empty).
bool HoldForRemoval(const std::string& nativePath, const struct stat& entry, CUniqueFd& hold);
// The same for `path` relative to the folder held open as `folder`.
bool HoldForRemovalAt(int folder, const std::string& path, const struct stat& entry,
                      CUniqueFd& hold);

}  // namespace win

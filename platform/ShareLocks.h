#pragma once
// Windows sharing modes between open files, kept as record locks (RecordLock.h)
// on four bytes far beyond any real data: one each for "has read access",
// "has write access", "denies reading" and "denies writing". An opener first
// marks its own access and denials (shared locks never conflict with each
// other), then looks for conflicting marks of others. Two openers racing
// each see the other's mark, so at worst both fail; both never succeed.
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

}  // namespace win

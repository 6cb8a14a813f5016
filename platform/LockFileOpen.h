#pragma once
// Opens (creating when missing) a lock file in a folder of the user's own.
// Whatever else stands at the name — a link planted there, a FIFO, a socket —
// is replaced by a fresh empty file, never followed: a link would otherwise
// make every later open fail, or lock a file of someone else's choosing.
#include <string>

namespace win {

// Returns the open descriptor (read and write, close-on-exec), or -1 with
// errno set. A folder at the name is not replaced (EISDIR).
int OpenUserLockFile(const std::string& folder, const std::string& name);

}  // namespace win

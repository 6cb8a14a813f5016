#pragma once
// Downloads are written owner-only (a partial file is the user's alone);
// once a file is complete under its final name it gets the mode any new
// file of the user's would have.
#include <sys/types.h>

#include <string>

namespace win {

// 0666 less the process's umask.
mode_t NewFileMode();

// `mode`'s read-only state carried over: a file without the owner's write
// bit stays without any write bit.
mode_t NewFileModeKeepingReadOnly(mode_t mode);

// Gives the plain file of this user at `nativePath` the new-file mode. The
// entry is opened without following a link and changed through that
// descriptor, so a link put in its place is never followed. 0 or an errno
// (EACCES for anything but the user's plain file).
int GiveNewFileMode(const std::string& nativePath);

}  // namespace win

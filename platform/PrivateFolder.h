#pragma once
// A per-user folder that only its owner may use (the runtime folder).
#include <string>

namespace win {

// Creates `nativePath` with mode 0700 when it is missing (its parent must
// exist). An existing one must be a real folder, not a symbolic link, owned
// by the effective user; group and other access is then removed. False with
// the last error set (ERROR_ACCESS_DENIED when someone else's or a link).
bool EnsurePrivateFolder(const std::string& nativePath);

// For when someone else holds our folder's name in a shared folder: the
// folder named in `recordFile` when it is still ours (a real folder, owned by
// us, mode 0700, named `prefix` and six more characters); else a fresh one
// made with mkdtemp from `prefix` and noted in the record (0600, its folders
// 0700), under a lock so that concurrent processes agree on one. False with
// the last error set.
bool EnsureRecordedPrivateFolder(const std::string& prefix, const std::string& recordFile,
                                 std::string& folder);

}  // namespace win

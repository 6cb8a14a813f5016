#pragma once
// A per-user folder that only its owner may use (the runtime folder).
#include <string>

namespace win {

// Creates `nativePath` with mode 0700 when it is missing (its parent must
// exist). An existing one must be a real folder, not a symbolic link, owned
// by the effective user; group and other access is then removed. False with
// the last error set (ERROR_ACCESS_DENIED when someone else's or a link).
bool EnsurePrivateFolder(const std::string& nativePath);

}  // namespace win

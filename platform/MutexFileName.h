#pragma once
// How a mutex name becomes the name of its lock file in the runtime folder.
#include <string>
#include <string_view>

namespace win {

// The name without a "Local\" or "Global\" namespace prefix: all of a user's
// processes share one namespace here.
std::string_view MutexKey(std::string_view name);

// A file name for the key: "mutex-" and the key's UTF-8 bytes, every byte
// outside [A-Za-z0-9._-] written as %XX; a name that would pass NAME_MAX
// keeps its first part and a 128-bit hash of the whole after '~' (which the
// plain form never contains). Ends in ".lock".
std::string MutexLockFileName(std::string_view key);

}  // namespace win

#pragma once
// Shared by the file calls: Windows-form paths in, errno out as the thread's
// last error with the meaning Windows gives it.
#include <string>

#include "platform/WinTypes.h"

namespace win {

// Sets the last error for a failed call on `nativePath`. A missing entry is
// ERROR_PATH_NOT_FOUND when its folder is missing too, else ERROR_FILE_NOT_FOUND.
DWORD SetLastErrorForPath(int errnoValue, const std::string& nativePath);

// Convenience for the BOOL calls: sets the last error and returns FALSE.
BOOL FailForPath(int errnoValue, const std::string& nativePath);
BOOL FailWith(DWORD code);

// The folder part of a native path ("/" for "/name", "." for "name").
std::string NativeParentOf(const std::string& nativePath);

}  // namespace win

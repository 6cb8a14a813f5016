#pragma once
// The thread's last error, as GetLastError/SetLastError keep it, and the
// mapping of errno values onto those numbers (table in ErrnoMap.cpp).
#include "platform/WinTypes.h"

namespace win {

DWORD GetLastError();
void SetLastError(DWORD code);

// Which Windows code an errno value stands for. ENOENT is ambiguous on
// Windows (file vs. path); `missingIsPath` picks ERROR_PATH_NOT_FOUND.
DWORD Win32FromErrno(int errnoValue, bool missingIsPath = false);

// Sets the last error from errno (through Win32FromErrno) and returns it.
// errno 0 stores ERROR_GEN_FAILURE: this follows a failure, which must not read as success.
DWORD SetLastErrorFromErrno(int errnoValue, bool missingIsPath = false);

}  // namespace win

#include "platform/LastError.h"

namespace win {

namespace {
// Each thread keeps its own, as the Windows thread environment block does.
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD code) {
    lastError = code;
}

DWORD SetLastErrorFromErrno(int errnoValue, bool missingIsPath) {
    // Callers come here after a failed call; an errno of 0 then means the
    // cause is unknown, and storing 0 would make the failure read as success.
    DWORD code = errnoValue == 0 ? ERROR_GEN_FAILURE : Win32FromErrno(errnoValue, missingIsPath);
    SetLastError(code);
    return code;
}

}  // namespace win

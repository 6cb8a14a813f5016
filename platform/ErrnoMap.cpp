// errno -> Windows error code. docs/platform.md carries the same table; keep
// the two in step.
#include <cerrno>

#include "platform/LastError.h"

namespace win {

namespace {

struct ErrnoEntry {
    int errnoValue;
    DWORD code;
};

constexpr ErrnoEntry kErrnoTable[] = {
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EEXIST, ERROR_FILE_EXISTS},
    {EROFS, ERROR_WRITE_PROTECT},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EBUSY, ERROR_BUSY},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {EIO, ERROR_IO_DEVICE},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EWOULDBLOCK, ERROR_LOCK_VIOLATION},  // same value as EAGAIN on Linux
    {ECANCELED, ERROR_CANCELLED},
    {ETIMEDOUT, ERROR_TIMEOUT},
    {EBADF, ERROR_INVALID_HANDLE},
    {EPIPE, ERROR_BROKEN_PIPE},
};

}  // namespace

DWORD Win32FromErrno(int errnoValue, bool missingIsPath) {
    if (errnoValue == 0) {
        return ERROR_SUCCESS;
    }
    if (errnoValue == ENOENT) {
        return missingIsPath ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    }
    for (const ErrnoEntry& entry : kErrnoTable) {
        if (entry.errnoValue == errnoValue) {
            return entry.code;
        }
    }
    return ERROR_GEN_FAILURE;
}

}  // namespace win

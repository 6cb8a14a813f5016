// Attributes, existence, deletion and folders. Temporary names, folder
// chains and moves have files of their own.
#include "platform/CrashPoint.h"
#include "platform/FileApi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "platform/DosAttributes.h"
#include "platform/FileErrors.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/ShareLocks.h"

namespace win {

namespace {

// The entry itself: a link is a link, never the file it names.
bool StatEntry(std::string_view path, std::string& native, struct stat& info) {
    if (!ToNativePath(path, native)) {
        return false;
    }
    if (lstat(native.c_str(), &info) != 0) {
        SetLastErrorForPath(errno, native);
        return false;
    }
    return true;
}

bool IsReadOnlyMode(mode_t mode) {
    return (mode & S_IWUSR) == 0;
}

// Read-only means nobody may write; clearing it gives the owner write
// access back. Folders keep their mode: on Windows the bit does not stop
// files being created in a folder, and here it would.
mode_t ModeForAttributes(const struct stat& info, DWORD attributes) {
    const mode_t mode = info.st_mode & 07777;
    if (S_ISDIR(info.st_mode)) {
        return mode;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        return mode & ~mode_t{0222};
    }
    return IsReadOnlyMode(mode) ? (mode | S_IWUSR) : mode;
}

DWORD XattrFailureCode(int error) {
    // The file system keeps no user extended attributes: the bits cannot be
    // stored, and saying so beats a success that forgets them.
    if (error == ENOTSUP) {
        return ERROR_NOT_SUPPORTED;
    }
    return Win32FromErrno(error);
}

// Never through a link, should one take the entry's place meanwhile.
int ChangeMode(const std::string& native, mode_t mode) {
    return fchmodat(AT_FDCWD, native.c_str(), mode, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

// User extended attributes need write access to the file, so a read-only
// file is made writable for the change and put back after it.
BOOL StoreDosBits(const std::string& native, const struct stat& info, DWORD bits) {
    const mode_t mode = info.st_mode & 07777;
    const bool lendWriteAccess = !S_ISDIR(info.st_mode) && IsReadOnlyMode(mode);
    if (lendWriteAccess) {
        ChangeMode(native, mode | S_IWUSR);  // a failure shows in the call below
    }
    const int error = WriteDosAttributes(native, bits);
    if (lendWriteAccess) {
        ChangeMode(native, mode);
    }
    return error == 0 ? TRUE : FailWith(XattrFailureCode(error));
}

}  // namespace

DWORD GetFileAttributes(std::string_view path) {
    std::string native;
    struct stat info {};
    if (!StatEntry(path, native, info)) {
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISLNK(info.st_mode)) {
        return FILE_ATTRIBUTE_REPARSE_POINT;
    }
    DWORD attributes = ReadDosAttributes(native);
    if (IsReadOnlyMode(info.st_mode)) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (S_ISDIR(info.st_mode)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

BOOL SetFileAttributes(std::string_view path, DWORD attributes) {
    std::string native;
    struct stat info {};
    if (!StatEntry(path, native, info)) {
        return FALSE;
    }
    if (S_ISLNK(info.st_mode)) {
        // A link keeps no bits of its own, and its file's must not change through it.
        return FailWith(ERROR_ACCESS_DENIED);
    }
    const DWORD dosBits = attributes & kDosAttributeBits;
    if (ReadDosAttributes(native) != dosBits && !StoreDosBits(native, info, dosBits)) {
        return FALSE;
    }
    const mode_t mode = ModeForAttributes(info, attributes);
    if (mode != (info.st_mode & 07777)) {
        const int error = ChangeMode(native, mode);
        if (error != 0) {
            return error == EOPNOTSUPP ? FailWith(ERROR_ACCESS_DENIED) : FailForPath(error, native);
        }
    }
    return TRUE;
}

// As on Windows, a read-only file is refused: clearing the attribute first
// is the caller's decision, not a side effect of deleting. So is a file that
// another open holds under the sharing rules.
BOOL DeleteFile(std::string_view path) {
    std::string native;
    if (!ToNativePath(path, native)) {
        return FALSE;
    }
    struct stat info {};
    if (lstat(native.c_str(), &info) != 0) {
        return FailForPath(errno, native);
    }
    if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && IsReadOnlyMode(info.st_mode))) {
        return FailWith(ERROR_ACCESS_DENIED);
    }
    CUniqueFd hold;
    if (S_ISREG(info.st_mode) && !HoldForRemoval(native, info, hold)) {
        return FailWith(ERROR_SHARING_VIOLATION);
    }
    CrashPoint();
    if (unlink(native.c_str()) != 0) {
        return FailForPath(errno, native);
    }
    return TRUE;
}

BOOL CreateDirectory(std::string_view path) {
    std::string native;
    if (!ToNativePath(path, native)) {
        return FALSE;
    }
    if (mkdir(native.c_str(), 0777) != 0) {
        return errno == EEXIST ? FailWith(ERROR_ALREADY_EXISTS) : FailForPath(errno, native);
    }
    return TRUE;
}

BOOL RemoveDirectory(std::string_view path) {
    std::string native;
    if (!ToNativePath(path, native)) {
        return FALSE;
    }
    if (rmdir(native.c_str()) != 0) {
        const int error = errno;
        struct stat info {};
        if (error == ENOTDIR && lstat(native.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) {
            return FailWith(ERROR_DIRECTORY);  // the path names a file
        }
        return FailForPath(error, native);
    }
    return TRUE;
}

bool FileExists(std::string_view path) {
    std::string native;
    struct stat info {};
    return StatEntry(path, native, info) && !S_ISDIR(info.st_mode);
}

// A link to a folder is a folder here: the user may keep downloads behind one.
bool FolderExists(std::string_view path) {
    std::string native;
    struct stat info {};
    return ToNativePath(path, native) && stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool GetFileSize(std::string_view path, std::uint64_t& size) {
    std::string native;
    struct stat info {};
    if (!StatEntry(path, native, info)) {
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        return FailWith(ERROR_ACCESS_DENIED);  // a folder, a link or a device is no file to size
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool LookAtEntry(std::string_view path, FileEntry& entry) {
    std::string native;
    if (!ToNativePath(path, native)) {
        return false;
    }
    struct stat info {};
    entry = FileEntry{};
    if (lstat(native.c_str(), &info) != 0) {
        return errno == ENOENT || FailForPath(errno, native);
    }
    entry.exists = true;
    entry.isFile = S_ISREG(info.st_mode);
    entry.isOwnedAlone = entry.isFile && info.st_nlink == 1 && info.st_uid == geteuid();
    entry.size = entry.isFile ? static_cast<std::uint64_t>(info.st_size) : 0;
    return true;
}

bool IsOwnPlainFile(std::string_view path) {
    FileEntry entry;
    if (!LookAtEntry(path, entry)) return false;
    if (!entry.exists) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (!entry.isOwnedAlone) SetLastError(ERROR_ACCESS_DENIED);
    return entry.isOwnedAlone;
}

BOOL GetDiskFreeSpaceEx(std::string_view folder, std::uint64_t& freeBytesAvailable) {
    std::string native;
    if (!ToNativePath(folder, native)) {
        return FALSE;
    }
    struct statvfs volume {};
    if (statvfs(native.c_str(), &volume) != 0) {
        return FailForPath(errno, native);
    }
    freeBytesAvailable =
        static_cast<std::uint64_t>(volume.f_bavail) * static_cast<std::uint64_t>(volume.f_frsize);
    return TRUE;
}

}  // namespace win

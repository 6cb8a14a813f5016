#include "platform/CrashPoint.h"
#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "platform/FdIo.h"
#include "platform/FileErrors.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/ShareLocks.h"

namespace win {

namespace {

constexpr unsigned kAccessMask = 0x3;
constexpr unsigned kShareMask = 0x70;
constexpr unsigned kShareDenyRead = 0x30;

bool RequestFromFlags(unsigned flags, ShareRequest& request) {
    const unsigned access = flags & kAccessMask;
    if (access > CFile::modeReadWrite) {
        return false;
    }
    request.read = access != CFile::modeWrite;
    request.write = access != CFile::modeRead;
    switch (flags & kShareMask) {
        case 0:  // the compatibility mode, exclusive as the framework maps it
        case CFile::shareExclusive:
            request.denyRead = request.denyWrite = true;
            return true;
        case CFile::shareDenyWrite:
            request.denyWrite = true;
            return true;
        case kShareDenyRead:
            request.denyRead = true;
            return true;
        case CFile::shareDenyNone:
            return true;
        default:
            return false;
    }
}

// Shared record locks need a readable descriptor, so writers open the file
// read-write; only a file they may not read is opened write-only, without
// sharing marks.
int OpenForRequest(const std::string& native, unsigned flags, const ShareRequest& request) {
    int openFlags = O_CLOEXEC | (request.write ? O_RDWR : O_RDONLY);
    if (flags & (CFile::modeCreate | CFile::modeCreateNew)) {
        openFlags |= O_CREAT;  // truncation waits until the sharing check passed
    }
    if (flags & CFile::modeCreateNew) {
        openFlags |= O_EXCL;
    }
    if (flags & CFile::modeNoFollow) {
        // Non-blocking: a FIFO in the file's place must not hold the open.
        openFlags |= O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    }
    // The files made this way are downloads in progress and work files: the
    // user's alone, whatever the umask (a URL can carry a token).
    if ((openFlags & O_CREAT) != 0) CrashPoint();
    int fd = open(native.c_str(), openFlags, 0600);
    if (fd < 0 && errno == EACCES && request.write && !request.read) {
        fd = open(native.c_str(), (openFlags & ~O_RDWR) | O_WRONLY, 0600);
    }
    return fd;
}

// A plain file of this user with one name; nothing a link, another user or
// a second name could have put in the file's place.
bool IsOwnPlainFile(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_nlink == 1 && info.st_uid == geteuid();
}

// Windows refuses to open a folder as a file, and a read-only file for
// writing even to an administrator.
bool IsUsableAs(int fd, const ShareRequest& request, unsigned flags) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode) || (request.write && (info.st_mode & S_IWUSR) == 0)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if ((flags & CFile::modeNoFollow) != 0) {
        const bool readOnly = !request.write && (flags & CFile::modeOtherNames) != 0;
        const bool usable = readOnly ? S_ISREG(info.st_mode) && info.st_uid == geteuid()
                                     : IsOwnPlainFile(info);
        if (!usable) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return true;
}

bool Truncate(int fd, const std::string& native, bool canWrite) {
    // An empty file is left alone: truncating it anyway makes ext4 flush the
    // whole file on close (its replace-by-truncate heuristic), which costs a
    // download of a fresh file about a third of its time.
    struct stat status {};
    if (fstat(fd, &status) == 0 && status.st_size == 0) {
        return true;
    }
    CrashPoint();
    const int result = canWrite ? ftruncate(fd, 0) : truncate(native.c_str(), 0);
    if (result != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

// A valid descriptor without the needed access: Windows calls that access
// denied, not a bad handle.
bool FailForDescriptor(int fd, int error) {
    SetLastError(error == EBADF && fd >= 0 ? ERROR_ACCESS_DENIED : Win32FromErrno(error));
    return false;
}

bool IsOpenForWriting(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

}  // namespace

CFile::~CFile() {
    Close();
}

CFile::CFile(CFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), readable_(std::exchange(other.readable_, false)) {}

CFile& CFile::operator=(CFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        readable_ = std::exchange(other.readable_, false);
    }
    return *this;
}

bool CFile::Open(std::string_view path, unsigned flags) {
    Close();
    ShareRequest request;
    if (!RequestFromFlags(flags, request)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string native;
    if (!ToNativePath(path, native)) {
        return false;
    }
    const int fd = OpenForRequest(native, flags, request);
    if (fd < 0) {
        if (errno == ELOOP && (flags & modeNoFollow) != 0) {
            SetLastError(ERROR_ACCESS_DENIED);  // a link in the file's place
        } else {
            SetLastErrorForPath(errno, native);
        }
        return false;
    }
    bool usable = IsUsableAs(fd, request, flags);
    if (usable && !TakeShareLocks(fd, request)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        usable = false;
    }
    const bool truncate = (flags & modeCreate) && !(flags & modeNoTruncate);
    if (usable && truncate) {
        usable = Truncate(fd, native, request.write);
    }
    if (!usable) {
        close(fd);
        return false;
    }
    fd_ = fd;
    readable_ = request.read;
    return true;
}

void CFile::Close() {
    if (fd_ >= 0) {
        close(fd_);  // also drops the sharing marks
        fd_ = -1;
        readable_ = false;
    }
}

long long CFile::Read(void* buffer, std::size_t count) {
    if (fd_ >= 0 && !readable_) {
        FailForDescriptor(fd_, EBADF);  // opened for writing only
        return -1;
    }
    const long long result = ReadRetrying(fd_, buffer, count);
    if (result < 0) {
        FailForDescriptor(fd_, errno);
    }
    return result;
}

long long CFile::ReadAt(void* buffer, std::size_t count, std::uint64_t offset) const {
    if (fd_ >= 0 && !readable_) {
        FailForDescriptor(fd_, EBADF);
        return -1;
    }
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (;;) {
        const ssize_t result = pread(fd_, buffer, count, static_cast<off_t>(offset));
        if (result >= 0) {
            return result;
        }
        if (errno != EINTR) {
            FailForDescriptor(fd_, errno);
            return -1;
        }
    }
}

bool CFile::Write(const void* buffer, std::size_t count) {
    CrashPoint();  // each chunk of a body is a step of its own
    const int error = WriteAll(fd_, buffer, count);
    return error == 0 || FailForDescriptor(fd_, error);
}

bool CFile::SeekToEnd(std::uint64_t* newPosition) {
    const off_t position = lseek(fd_, 0, SEEK_END);
    if (position < 0) {
        return FailForDescriptor(fd_, errno);
    }
    if (newPosition != nullptr) {
        *newPosition = static_cast<std::uint64_t>(position);
    }
    return true;
}

bool CFile::Seek(std::uint64_t position) {
    if (position > static_cast<std::uint64_t>(INT64_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
        return FailForDescriptor(fd_, errno);
    }
    return true;
}

bool CFile::SetLength(std::uint64_t length) {
    if (length > static_cast<std::uint64_t>(INT64_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!IsOpenForWriting(fd_)) {
        return FailForDescriptor(fd_, EBADF);
    }
    CrashPoint();
    if (ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        return FailForDescriptor(fd_, errno);
    }
    return true;
}

bool CFile::GetLength(std::uint64_t& length) const {
    struct stat info {};
    if (fstat(fd_, &info) != 0) {
        return FailForDescriptor(fd_, errno);
    }
    length = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool CFile::Flush() {
    CrashPoint();
    if (fsync(fd_) != 0) {
        return FailForDescriptor(fd_, errno);
    }
    return true;
}

}  // namespace win

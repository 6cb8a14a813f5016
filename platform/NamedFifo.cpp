#include "platform/NamedFifo.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/WindowTypes.h"  // ERROR_NOT_ENOUGH_QUOTA

namespace win::detail {

namespace {

constexpr std::string_view kFilePrefix = "event-";
// Holders leaving while we join can make us retry; more than a few in a row
// means something else keeps replacing the file.
constexpr int kJoinAttempts = 8;

bool IsPlainByte(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9') || byte == '.' || byte == '_' || byte == '-' ||
           byte == '{' || byte == '}';
}

// Only our own FIFO: never a link, a plain file or another user's object.
int OpenOwnFifo(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return -1;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISFIFO(status.st_mode) || status.st_uid != geteuid()) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
    }
    return fd;
}

// A leaving holder may have removed the file between our open and our lock.
bool StillNamed(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    return fstat(fd, &open) == 0 && lstat(path.c_str(), &named) == 0 &&
           open.st_ino == named.st_ino && open.st_dev == named.st_dev;
}

// Probes with an exclusive lock: true when nobody holds the FIFO, and then
// the probe's lock is kept.
bool NobodyHolds(int fd) {
    return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

NamedFifo Failed(int fd, DWORD error) {
    if (fd >= 0) close(fd);
    SetLastError(error);
    return {};
}

}  // namespace

std::string EventFifoFileName(std::string_view name) {
    std::string utf8;
    if (!ProcessToUtf8(name, utf8)) utf8.assign(name);
    std::string fileName(kFilePrefix);
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsPlainByte(byte)) {
            fileName += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            fileName += escape;
        }
    }
    if (utf8.empty() || fileName.size() > NAME_MAX) return {};
    return fileName;
}

NamedFifo::~NamedFifo() {
    if (fd_ >= 0) close(fd_);
}

NamedFifo::NamedFifo(NamedFifo&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

NamedFifo& NamedFifo::operator=(NamedFifo&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

NamedFifo NamedFifo::Join(const std::string& path, bool& othersHold) {
    for (int attempt = 0; attempt < kJoinAttempts; ++attempt) {
        if (mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST) {
            SetLastErrorFromErrno(errno, true);
            return {};
        }
        const int fd = OpenOwnFifo(path);
        if (fd < 0) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND) continue;  // a leaving holder removed it
            return {};
        }
        othersHold = !NobodyHolds(fd);
        if (flock(fd, LOCK_SH) != 0) return Failed(fd, Win32FromErrno(errno));
        if (StillNamed(fd, path)) return NamedFifo(fd, path);
        close(fd);
    }
    SetLastError(ERROR_BUSY);
    return {};
}

NamedFifo NamedFifo::JoinHeld(const std::string& path) {
    for (int attempt = 0; attempt < kJoinAttempts; ++attempt) {
        const int fd = OpenOwnFifo(path);
        if (fd < 0) return {};
        if (NobodyHolds(fd)) {
            if (StillNamed(fd, path)) unlink(path.c_str());
            return Failed(fd, ERROR_FILE_NOT_FOUND);
        }
        if (flock(fd, LOCK_SH) != 0) return Failed(fd, Win32FromErrno(errno));
        if (StillNamed(fd, path)) return NamedFifo(fd, path);
        close(fd);
    }
    SetLastError(ERROR_BUSY);
    return {};
}

NamedFifo NamedFifo::OpenHeld(const std::string& path) {
    const int fd = OpenOwnFifo(path);
    if (fd < 0) return {};
    if (NobodyHolds(fd)) return Failed(fd, ERROR_FILE_NOT_FOUND);  // closing drops the probe
    return NamedFifo(fd, {});
}

bool NamedFifo::WriteByte() const {
    const char signal = 1;
    if (write(fd_, &signal, 1) == 1) return true;
    SetLastError(errno == EAGAIN ? ERROR_NOT_ENOUGH_QUOTA : Win32FromErrno(errno));
    return false;
}

bool NamedFifo::ReadByte() const {
    char signal = 0;
    return read(fd_, &signal, 1) == 1;
}

std::size_t NamedFifo::Drain() const {
    std::size_t taken = 0;
    char buffer[256];
    for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;) {
        taken += static_cast<std::size_t>(got);
    }
    return taken;
}

void NamedFifo::Leave() {
    if (fd_ < 0 || path_.empty()) return;
    // A failed probe may drop our shared lock too; we are leaving anyway.
    if (NobodyHolds(fd_) && StillNamed(fd_, path_)) unlink(path_.c_str());
    flock(fd_, LOCK_UN);
    path_.clear();
}

}  // namespace win::detail

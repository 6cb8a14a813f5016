// Whole-file reads and crash-safe replacement.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/CrashPoint.h"
#include "platform/FdIo.h"
#include "platform/File.h"
#include "platform/FileErrors.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"

namespace win {

namespace {

constexpr std::size_t kReadChunk = 65536;
constexpr std::size_t kKeptNameBytes = 200;  // room for the suffix under NAME_MAX
constexpr int kNameAttempts = 100;

std::string RandomSuffix() {
    static thread_local std::mt19937 generator{std::random_device{}()};
    char text[16];
    std::snprintf(text, sizeof text, ".~%08x", static_cast<unsigned>(generator()));
    return text;
}

// A hidden sibling of the target, so the rename stays on one file system.
int CreateSibling(const std::string& target, std::string& sibling) {
    const std::string folder = NativeParentOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string name = target.substr(slash + 1, kKeptNameBytes);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        sibling = (folder == "/" ? "" : folder) + "/." + name + RandomSuffix();
        // Records and settings are the user's alone, whatever the umask.
        CrashPoint();
        const int fd = open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

int WriteAndClose(int fd, std::string_view bytes, bool durable) {
    CrashPoint();
    int error = WriteAll(fd, bytes.data(), bytes.size());
    if (error == 0 && durable) CrashPoint();
    if (error == 0 && durable && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

bool ReadWholeFile(std::string_view path, std::string& bytes) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone)) {
        return false;
    }
    std::string content;
    char chunk[kReadChunk];
    for (;;) {
        const long long count = file.Read(chunk, sizeof chunk);
        if (count < 0) return false;
        if (count == 0) break;
        content.append(chunk, static_cast<std::size_t>(count));
    }
    bytes = std::move(content);
    return true;
}

bool ReplaceFileAtomically(std::string_view path, std::string_view bytes, bool durable) {
    std::string target;
    if (!ToNativePath(path, target)) {
        return false;
    }
    if (target.back() == '/') {
        SetLastError(ERROR_INVALID_NAME);  // a folder text, not a file
        return false;
    }
    std::string sibling;
    const int fd = CreateSibling(target, sibling);
    if (fd < 0) {
        SetLastErrorForPath(errno, target);
        return false;
    }
    int error = WriteAndClose(fd, bytes, durable);
    if (error == 0) CrashPoint();
    if (error == 0 && rename(sibling.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(sibling.c_str());
        SetLastErrorForPath(error, target);
        return false;
    }
    if (durable) {
        SyncFolder(NativeParentOf(target).c_str());
    }
    return true;
}

}  // namespace win

#include "assistant/standin/FilePlacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/UniqueFd.h"

namespace {

// A Windows code for the errno of a failed call on the source or the destination.
win::DWORD CodeFor(int error, const std::string& source) {
    // The source is there, so a missing entry is the destination's folder.
    const bool missingIsPath = error == ENOENT && ::access(source.c_str(), F_OK) == 0;
    return win::Win32FromErrno(error, missingIsPath);
}

bool CopyBytes(int from, int to) {
    std::array<char, 64 * 1024> buffer;
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return false;
            done += put;
        }
    }
}

// The copy goes to a fresh file beside the destination and is renamed over
// it only once it is complete and on disk, so a failure never leaves a
// half-written file under the destination's name.
int CopyAcrossFileSystems(int in, const struct stat& info, const std::string& source,
                          const std::string& destination) {
    std::string temporary = destination + ".kivpart-XXXXXX";
    win::CUniqueFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.Get() < 0) return errno;
    int error = 0;
    if (!CopyBytes(in, out.Get()) || ::fchmod(out.Get(), info.st_mode & 07777) != 0 ||
        ::fsync(out.Get()) != 0) {
        error = errno;
    }
    if (::close(out.Release()) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), destination.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return error;
    }
    // The destination is complete: losing the source now only leaves a copy behind.
    ::unlink(source.c_str());
    return 0;
}

// The source must be what the control downloaded: a plain file of this
// user with no other name. A link, a FIFO or a second name of someone's
// file put in its place by the confined worker is refused.
win::DWORD OpenSource(const std::string& source, win::CUniqueFd& in, struct stat& info) {
    in.Reset(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.Get() < 0) return errno == ELOOP ? win::ERROR_ACCESS_DENIED : CodeFor(errno, source);
    if (::fstat(in.Get(), &info) != 0) return CodeFor(errno, source);
    const bool ownPlainFile =
        S_ISREG(info.st_mode) && info.st_nlink == 1 && info.st_uid == ::geteuid();
    return ownPlainFile ? 0 : win::ERROR_ACCESS_DENIED;
}

// Another entry renamed into the source's place between the check and the
// rename was placed instead: it is taken out again.
bool PlacedTheCheckedFile(const std::string& destination, const struct stat& checked) {
    struct stat placed {};
    if (::lstat(destination.c_str(), &placed) == 0 && placed.st_dev == checked.st_dev &&
        placed.st_ino == checked.st_ino) {
        return true;
    }
    ::unlink(destination.c_str());
    return false;
}

win::DWORD MoveToDestination(const std::string& source, const std::string& destination) {
    win::CUniqueFd in;
    struct stat info {};
    if (const win::DWORD refused = OpenSource(source, in, info)) return refused;
    if (::rename(source.c_str(), destination.c_str()) != 0) {
        int error = errno;
        if (error == EXDEV) error = CopyAcrossFileSystems(in.Get(), info, source, destination);
        return error == 0 ? 0 : CodeFor(error, source);
    }
    return PlacedTheCheckedFile(destination, info) ? 0 : win::ERROR_ACCESS_DENIED;
}

}  // namespace

win::DWORD PlaceFile(const std::string& source, const std::string& destination) {
    if (const win::DWORD failed = MoveToDestination(source, destination)) return failed;
    std::string windowsPath;
    if (!win::FromNativePath(destination, windowsPath)) return win::GetLastError();
    const win::DWORD attributes = win::GetFileAttributes(windowsPath);
    if (attributes == win::INVALID_FILE_ATTRIBUTES) return win::GetLastError();
    if ((attributes & win::FILE_ATTRIBUTE_HIDDEN) == 0) return 0;
    win::DWORD visible = attributes & ~win::FILE_ATTRIBUTE_HIDDEN;
    if (visible == 0) visible = win::FILE_ATTRIBUTE_NORMAL;
    return win::SetFileAttributes(windowsPath, visible) ? 0 : win::GetLastError();
}

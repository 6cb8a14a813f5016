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
int CopyAcrossFileSystems(const std::string& source, const std::string& destination) {
    win::CUniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (in.Get() < 0 || ::fstat(in.Get(), &info) != 0) return errno;
    std::string temporary = destination + ".kivpart-XXXXXX";
    win::CUniqueFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.Get() < 0) return errno;
    int error = 0;
    if (!CopyBytes(in.Get(), out.Get()) || ::fchmod(out.Get(), info.st_mode & 07777) != 0 ||
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

}  // namespace

win::DWORD PlaceFile(const std::string& source, const std::string& destination) {
    if (::rename(source.c_str(), destination.c_str()) != 0) {
        int error = errno;
        if (error == EXDEV) error = CopyAcrossFileSystems(source, destination);
        if (error != 0) return CodeFor(error, source);
    }
    std::string windowsPath;
    if (!win::FromNativePath(destination, windowsPath)) return win::GetLastError();
    const win::DWORD attributes = win::GetFileAttributes(windowsPath);
    if (attributes == win::INVALID_FILE_ATTRIBUTES) return win::GetLastError();
    if ((attributes & win::FILE_ATTRIBUTE_HIDDEN) == 0) return 0;
    win::DWORD visible = attributes & ~win::FILE_ATTRIBUTE_HIDDEN;
    if (visible == 0) visible = win::FILE_ATTRIBUTE_NORMAL;
    return win::SetFileAttributes(windowsPath, visible) ? 0 : win::GetLastError();
}

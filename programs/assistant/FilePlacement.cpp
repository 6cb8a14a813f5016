#include "programs/assistant/FilePlacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/FileApi.h"
#include "platform/KeepAside.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/NewFileMode.h"
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

// True when `path` is a plain file holding exactly the bytes behind
// `content`: the download is already there, and need not replace it.
bool HoldsTheSameBytes(const std::string& path, int content) {
    win::CUniqueFd there(
        ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat thereInfo {};
    struct stat contentInfo {};
    if (there.Get() < 0 || ::fstat(there.Get(), &thereInfo) != 0 ||
        ::fstat(content, &contentInfo) != 0 || !S_ISREG(thereInfo.st_mode) ||
        thereInfo.st_size != contentInfo.st_size) {
        return false;
    }
    std::array<char, 64 * 1024> ours;
    std::array<char, 64 * 1024> theirs;
    for (off_t offset = 0; offset < contentInfo.st_size;) {
        const ssize_t got = ::pread(content, ours.data(), ours.size(), offset);
        if (got <= 0 ||
            ::pread(there.Get(), theirs.data(), static_cast<size_t>(got), offset) != got ||
            std::memcmp(ours.data(), theirs.data(), static_cast<size_t>(got)) != 0) {
            return false;
        }
        offset += got;
    }
    return true;
}

// Puts `from` at `destination` without ever replacing what is there: an
// entry with the download's very bytes stays (`alreadyThere`, and `from` is
// left for the caller to remove); anything else is kept aside under the
// first free "NAME (n).EXT" first. 0 or an errno.
int PutInPlace(const std::string& from, const std::string& destination, int content,
               bool& alreadyThere, std::string& keptAside) {
    alreadyThere = false;
    for (;;) {
        const int error = win::RenameWithoutReplacing(from, destination);
        if (error != EEXIST) return error;
        if (HoldsTheSameBytes(destination, content)) {
            alreadyThere = true;
            return 0;
        }
        // One entry kept aside per file: another one appearing at once is
        // refused, and so is anything but a plain file, as the control's own
        // preparation refuses it.
        struct stat entry {};
        if (!keptAside.empty()) return EEXIST;
        if (::lstat(destination.c_str(), &entry) != 0) return errno;
        if (!S_ISREG(entry.st_mode)) return EACCES;
        if (const int kept = win::KeepAside(destination, keptAside)) return kept;
    }
}

// The copy goes to a fresh file beside the destination and is put in place
// only once it is complete and on disk, so a failure never leaves a
// half-written file under the destination's name.
int CopyAcrossFileSystems(int in, const std::string& source, const std::string& destination,
                          bool& alreadyThere, std::string& keptAside) {
    std::string temporary = destination + ".kivpart-XXXXXX";
    win::CUniqueFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.Get() < 0) return errno;
    int error = 0;
    if (!CopyBytes(in, out.Get()) || ::fchmod(out.Get(), win::NewFileMode()) != 0 ||
        ::fsync(out.Get()) != 0) {
        error = errno;
    }
    if (::close(out.Release()) != 0 && error == 0) error = errno;
    if (error == 0) error = PutInPlace(temporary, destination, in, alreadyThere, keptAside);
    if (error != 0 || alreadyThere) ::unlink(temporary.c_str());
    if (error != 0) return error;
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

win::DWORD MoveToDestination(const std::string& source, const std::string& destination,
                             bool& alreadyThere, std::string& keptAside) {
    win::CUniqueFd in;
    struct stat info {};
    if (const win::DWORD refused = OpenSource(source, in, info)) return refused;
    int error = PutInPlace(source, destination, in.Get(), alreadyThere, keptAside);
    if (error == EXDEV) {
        error = CopyAcrossFileSystems(in.Get(), source, destination, alreadyThere, keptAside);
        return error == 0 ? 0 : CodeFor(error, source);
    }
    if (error != 0) return CodeFor(error, source);
    if (alreadyThere) {
        ::unlink(source.c_str());
        return 0;
    }
    if (!PlacedTheCheckedFile(destination, info)) return win::ERROR_ACCESS_DENIED;
    // Owner-only while it was incomplete; now as any new file of the user's.
    return ::fchmod(in.Get(), win::NewFileMode()) == 0 ? 0 : win::Win32FromErrno(errno);
}

}  // namespace

win::DWORD PlaceFile(const std::string& source, const std::string& destination,
                     std::string& keptAside) {
    keptAside.clear();
    bool alreadyThere = false;
    if (const win::DWORD failed = MoveToDestination(source, destination, alreadyThere, keptAside))
        return failed;
    if (alreadyThere) return 0;  // the user's identical file stays as it is
    std::string windowsPath;
    if (!win::FromNativePath(destination, windowsPath)) return win::GetLastError();
    const win::DWORD attributes = win::GetFileAttributes(windowsPath);
    if (attributes == win::INVALID_FILE_ATTRIBUTES) return win::GetLastError();
    if ((attributes & win::FILE_ATTRIBUTE_HIDDEN) == 0) return 0;
    win::DWORD visible = attributes & ~win::FILE_ATTRIBUTE_HIDDEN;
    if (visible == 0) visible = win::FILE_ATTRIBUTE_NORMAL;
    return win::SetFileAttributes(windowsPath, visible) ? 0 : win::GetLastError();
}

#include "programs/assistant/FilePlacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/DosAttributes.h"
#include "platform/KeepAside.h"
#include "platform/LastError.h"
#include "platform/NewFileMode.h"
#include "platform/UniqueFd.h"

namespace {

// The entry `name` in the folder held open as `folder`.
struct Destination {
    int folder;
    std::string name;
};

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
bool HoldsTheSameBytes(const Destination& at, int content) {
    win::CUniqueFd there(::openat(at.folder, at.name.c_str(),
                                  O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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
int PutInPlace(int fromFolder, const std::string& from, const Destination& to, int content,
               bool& alreadyThere, std::string& keptAside) {
    alreadyThere = false;
    for (;;) {
        const int error = win::RenameWithoutReplacingAt(fromFolder, from, to.folder, to.name);
        if (error != EEXIST) return error;
        if (HoldsTheSameBytes(to, content)) {
            alreadyThere = true;
            return 0;
        }
        // One entry kept aside per file: another one appearing at once is
        // refused, and so is anything but a plain file, as the control's own
        // preparation refuses it.
        struct stat entry {};
        if (!keptAside.empty()) return EEXIST;
        if (::fstatat(to.folder, to.name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) return errno;
        if (!S_ISREG(entry.st_mode)) return EACCES;
        if (const int kept = win::KeepAsideAt(to.folder, to.name, keptAside)) return kept;
    }
}

// A new file "NAME.kivpart-XXXXXX" in the destination's folder, owner-only
// and never an entry that was there; `temporary` receives its name.
int CreateTemporaryBeside(const Destination& to, std::string& temporary) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = to.name + ".kivpart-";
        for (int i = 0; i < 6; ++i) temporary += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::openat(to.folder, temporary.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The copy goes to a fresh file beside the destination and is put in place
// only once it is complete and on disk, so a failure never leaves a
// half-written file under the destination's name.
int CopyAcrossFileSystems(int in, const std::string& source, const Destination& to,
                          bool& alreadyThere, std::string& keptAside) {
    std::string temporary;
    win::CUniqueFd out(CreateTemporaryBeside(to, temporary));
    if (out.Get() < 0) return errno;
    int error = 0;
    if (!CopyBytes(in, out.Get()) || ::fchmod(out.Get(), win::NewFileMode()) != 0 ||
        ::fsync(out.Get()) != 0) {
        error = errno;
    }
    if (::close(out.Release()) != 0 && error == 0) error = errno;
    if (error == 0) error = PutInPlace(to.folder, temporary, to, in, alreadyThere, keptAside);
    if (error != 0 || alreadyThere) ::unlinkat(to.folder, temporary.c_str(), 0);
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
bool PlacedTheCheckedFile(const Destination& at, const struct stat& checked) {
    struct stat placed {};
    if (::fstatat(at.folder, at.name.c_str(), &placed, AT_SYMLINK_NOFOLLOW) == 0 &&
        placed.st_dev == checked.st_dev && placed.st_ino == checked.st_ino) {
        return true;
    }
    ::unlinkat(at.folder, at.name.c_str(), 0);
    return false;
}

// Made visible (the hidden attribute cleared) through the descriptor of the
// file itself.
win::DWORD Unhide(int file) {
    const win::DWORD bits = win::ReadDosAttributes(file);
    if ((bits & win::FILE_ATTRIBUTE_HIDDEN) == 0) return 0;
    const int error = win::WriteDosAttributes(file, bits & ~win::FILE_ATTRIBUTE_HIDDEN);
    return error == 0 ? 0 : win::Win32FromErrno(error);
}

win::DWORD MoveToDestination(const std::string& source, const Destination& to,
                             std::string& keptAside) {
    win::CUniqueFd in;
    struct stat info {};
    if (const win::DWORD refused = OpenSource(source, in, info)) return refused;
    bool alreadyThere = false;
    int error = PutInPlace(AT_FDCWD, source, to, in.Get(), alreadyThere, keptAside);
    if (error == EXDEV) {
        // The copy is a new file: no attribute of the source came with it.
        error = CopyAcrossFileSystems(in.Get(), source, to, alreadyThere, keptAside);
        return error == 0 ? 0 : CodeFor(error, source);
    }
    if (error != 0) return CodeFor(error, source);
    if (alreadyThere) {  // the user's identical file stays as it is
        ::unlink(source.c_str());
        return 0;
    }
    if (!PlacedTheCheckedFile(to, info)) return win::ERROR_ACCESS_DENIED;
    // Owner-only while it was incomplete; now as any new file of the user's.
    if (::fchmod(in.Get(), win::NewFileMode()) != 0) return win::Win32FromErrno(errno);
    return Unhide(in.Get());
}

}  // namespace

win::DWORD PlaceFile(const std::string& source, int folder, const std::string& name,
                     std::string& keptAside) {
    keptAside.clear();
    return MoveToDestination(source, Destination{folder, name}, keptAside);
}

#include "platform/PrivateFolder.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LastError.h"
#include "platform/UniqueFd.h"

namespace win {

namespace {

bool Fail(DWORD code) {
    SetLastError(code);
    return false;
}

// Checks the folder through its open descriptor, so what is checked is what
// was opened even if the name is swapped meanwhile.
bool CheckOwnedFolder(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return Fail(SetLastErrorFromErrno(errno));
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    if ((info.st_mode & 077) != 0 && fchmod(fd, info.st_mode & 0700) != 0) {
        return Fail(SetLastErrorFromErrno(errno));
    }
    return true;
}

// Ours alone: a real folder (not a link), owned by us, mode exactly 0700.
bool IsOwnPrivateFolder(const std::string& path) {
    const CUniqueFd fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    return fd.Get() >= 0 && fstat(fd.Get(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == geteuid() && (info.st_mode & 0777) == 0700;
}

// The folder the record names, when it is still one of ours made from `prefix`.
bool ReadRecordedFolder(int fd, const std::string& prefix, std::string& folder) {
    char text[PATH_MAX];
    const ssize_t got = pread(fd, text, sizeof text, 0);
    if (got <= 0 || static_cast<std::size_t>(got) == sizeof text) return false;
    const std::string path(text, static_cast<std::size_t>(got));
    if (!path.starts_with(prefix) || path.find('/', prefix.size()) != std::string::npos ||
        !IsOwnPrivateFolder(path)) {
        return false;
    }
    folder = path;
    return true;
}

bool LockRecord(int fd, int operation) {
    while (flock(fd, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// The record's folders, made private when they are missing.
bool MakeRecordFolders(const std::string& recordFile) {
    for (std::size_t slash = recordFile.find('/', 1); slash != std::string::npos;
         slash = recordFile.find('/', slash + 1)) {
        const std::string step = recordFile.substr(0, slash);
        if (mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

bool EnsureRecordedPrivateFolder(const std::string& prefix, const std::string& recordFile,
                                 std::string& folder) {
    {
        // Reading first: a confined thread may read the record but not write it.
        const CUniqueFd record(open(recordFile.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (record.Get() >= 0 && LockRecord(record.Get(), LOCK_SH) &&
            ReadRecordedFolder(record.Get(), prefix, folder)) {
            return true;
        }
    }
    if (!MakeRecordFolders(recordFile)) return Fail(SetLastErrorFromErrno(errno, true));
    const CUniqueFd record(
        open(recordFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (record.Get() < 0 || !LockRecord(record.Get(), LOCK_EX)) {
        return Fail(SetLastErrorFromErrno(errno, true));
    }
    // Another process may have made one meanwhile.
    if (ReadRecordedFolder(record.Get(), prefix, folder)) return true;
    std::string made = prefix + "XXXXXX";
    if (mkdtemp(made.data()) == nullptr) return Fail(SetLastErrorFromErrno(errno, true));
    if (ftruncate(record.Get(), 0) != 0 ||
        pwrite(record.Get(), made.data(), made.size(), 0) != static_cast<ssize_t>(made.size())) {
        const DWORD error = SetLastErrorFromErrno(errno);
        rmdir(made.c_str());
        return Fail(error);
    }
    folder = made;
    return true;
}

bool EnsurePrivateFolder(const std::string& nativePath) {
    if (mkdir(nativePath.c_str(), 0700) != 0 && errno != EEXIST) {
        return Fail(SetLastErrorFromErrno(errno, true));
    }
    int fd = open(nativePath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A symbolic link (ELOOP) or a non-folder (ENOTDIR) in our place is someone else's doing.
        int error = errno;
        return Fail(error == ELOOP || error == ENOTDIR ? ERROR_ACCESS_DENIED
                                                       : SetLastErrorFromErrno(error, true));
    }
    bool ok = CheckOwnedFolder(fd);
    close(fd);
    return ok;
}

}  // namespace win

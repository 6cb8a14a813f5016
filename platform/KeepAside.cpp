#include "platform/KeepAside.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ShareLocks.h"
#include "platform/UniqueFd.h"

namespace win {

namespace {

constexpr int kMaxNumber = 9999;

}  // namespace

std::string NumberedName(const std::string& name, int number) {
    const std::string suffix = " (" + std::to_string(number) + ")";
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

int RenameWithoutReplacing(const std::string& from, const std::string& to) {
    return RenameWithoutReplacingAt(AT_FDCWD, from, AT_FDCWD, to);
}

int RenameWithoutReplacingAt(int fromFolder, const std::string& from, int toFolder,
                             const std::string& to) {
    if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // No RENAME_NOREPLACE here: a second name fails on any entry in the way.
    if (::linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0) != 0) return errno;
    if (::unlinkat(fromFolder, from.c_str(), 0) != 0) {
        const int error = errno;
        ::unlinkat(toFolder, to.c_str(), 0);
        return error;
    }
    return 0;
}

int KeepAside(const std::string& path, std::string& keptPath) {
    return KeepAsideAt(AT_FDCWD, path, keptPath);
}

int KeepAsideAt(int folderFd, const std::string& path, std::string& keptPath) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = path.substr(folder.size());
    if (name.empty()) return EINVAL;
    struct stat entry {};
    if (::fstatat(folderFd, path.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    // Another run may still be writing it: as a file open without delete
    // sharing, it is not moved (the marks are held until it has its name).
    CUniqueFd hold;
    if (S_ISREG(entry.st_mode) && !HoldForRemovalAt(folderFd, path, entry, hold)) return ETXTBSY;
    for (int number = 1; number <= kMaxNumber; ++number) {
        const std::string candidate = folder + NumberedName(name, number);
        const int error = RenameWithoutReplacingAt(folderFd, path, folderFd, candidate);
        if (error != EEXIST) {
            if (error == 0) keptPath = candidate;
            return error;
        }
    }
    return EEXIST;
}

}  // namespace win

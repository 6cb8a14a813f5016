#include "platform/CrashPoint.h"
#include "platform/KeepAside.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

#include <cctype>
#include <cerrno>

#include "platform/ShareLocks.h"
#include "platform/UniqueFd.h"

namespace win {

namespace {

constexpr int kMaxNumber = 9999;

// The last suffixes of compressed archives, which keep the extension before
// them ("tar.gz"), as browsers number downloads.
bool IsCompressionSuffix(const std::string& extension) {
    static const char* const kSuffixes[] = {"gz", "bz2", "xz", "zst", "lz", "lzma", "lzo", "z", "bz"};
    for (const char* suffix : kSuffixes) {
        if (::strcasecmp(extension.c_str(), suffix) == 0) return true;
    }
    return false;
}

// Where the extension starts: the last dot, or the one before it for a short
// alphabetic extension followed by a compression suffix. npos for none.
std::size_t ExtensionStart(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return std::string::npos;
    if (!IsCompressionSuffix(name.substr(dot + 1))) return dot;
    const std::size_t inner = name.rfind('.', dot - 1);
    if (inner == std::string::npos || inner == 0 || dot - inner < 2 || dot - inner > 5) return dot;
    for (std::size_t at = inner + 1; at < dot; ++at) {
        if (!std::isalpha(static_cast<unsigned char>(name[at]))) return dot;
    }
    return inner;
}

}  // namespace

std::string NumberedName(const std::string& name, int number) {
    const std::string suffix = " (" + std::to_string(number) + ")";
    const std::size_t start = ExtensionStart(name);
    if (start == std::string::npos) return name + suffix;
    return name.substr(0, start) + suffix + name.substr(start);
}

int RenameWithoutReplacing(const std::string& from, const std::string& to) {
    return RenameWithoutReplacingAt(AT_FDCWD, from, AT_FDCWD, to);
}

int RenameWithoutReplacingAt(int fromFolder, const std::string& from, int toFolder,
                             const std::string& to) {
    CrashPoint();
    if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // No RENAME_NOREPLACE here: a second name fails on any entry in the way.
    if (::linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0) != 0) return errno;
    CrashPoint();
    if (::unlinkat(fromFolder, from.c_str(), 0) != 0) {
        const int error = errno;
        ::unlinkat(toFolder, to.c_str(), 0);
        return error;
    }
    return 0;
}

int RenameReplacing(const std::string& from, const std::string& to) {
    CrashPoint();
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
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

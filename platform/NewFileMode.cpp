#include "platform/NewFileMode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/UniqueFd.h"

namespace win {

namespace {

// The kernel tells the umask without changing it; umask() would change it
// for every thread for a moment.
mode_t ProcessUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8) & 0777);
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

}  // namespace

mode_t NewFileMode() {
    return 0666 & ~ProcessUmask();
}

mode_t NewFileModeKeepingReadOnly(mode_t mode) {
    const mode_t fresh = NewFileMode();
    return (mode & S_IWUSR) == 0 ? fresh & ~mode_t{0222} : fresh;
}

int GiveNewFileMode(const std::string& nativePath) {
    CUniqueFd entry(::open(nativePath.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (entry.Get() < 0) return errno == ELOOP ? EACCES : errno;
    struct stat info {};
    if (::fstat(entry.Get(), &info) != 0) return errno;
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) return EACCES;
    const mode_t mode = NewFileModeKeepingReadOnly(info.st_mode);
    if ((info.st_mode & 07777) == mode) return 0;
    // A descriptor opened with O_PATH takes no fchmod; its /proc name is the
    // very file it holds.
    const std::string byDescriptor = "/proc/self/fd/" + std::to_string(entry.Get());
    return ::chmod(byDescriptor.c_str(), mode) == 0 ? 0 : errno;
}

}  // namespace win

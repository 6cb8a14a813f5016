#include "platform/FolderProbe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/CrashPoint.h"
#include "platform/FileApi.h"
#include "platform/NativePath.h"

namespace win {

bool CanCreateFileIn(std::string_view folder) {
    std::string native;
    if (!ToNativePath(folder, native)) return false;
    CrashPoint();
    const int fd = ::open(native.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    std::string probe;
    if (GetTempFileName(folder, "TMP", 0, probe) == 0) return false;
    DeleteFile(probe);
    return true;
}

}  // namespace win

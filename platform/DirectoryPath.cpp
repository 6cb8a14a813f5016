// MakeSureDirectoryPathExists: every folder up to the last backslash.
#include <sys/stat.h>

#include <cerrno>

#include "platform/CodePage.h"
#include "platform/FileApi.h"
#include "platform/FileErrors.h"
#include "platform/NativePath.h"

namespace win {

namespace {

std::size_t LastSeparator(std::string_view path) {
    std::size_t last = std::string_view::npos;
    for (std::size_t pos = 0; pos < path.size(); pos = CharNext(path, pos)) {
        if (CharLength(path, pos) == 1 && path[pos] == '\\') {
            last = pos;
        }
    }
    return last;
}

bool IsFolder(const std::string& native) {
    struct stat info {};
    return stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

BOOL MakeSureDirectoryPathExists(std::string_view path) {
    const std::size_t last = LastSeparator(path);
    if (last == std::string_view::npos) {
        return TRUE;  // a bare file name: no folder to make
    }
    std::string native;
    if (!ToNativePath(path.substr(0, last + 1), native)) {
        return FALSE;
    }
    std::string folder;
    std::size_t start = 0;
    while (start < native.size()) {
        std::size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        if (end > start) {
            folder += '/';
            folder.append(native, start, end - start);
            if (mkdir(folder.c_str(), 0700) != 0) {
                if (errno != EEXIST) {
                    return FailForPath(errno, folder);
                }
                // A file in the way means the folder cannot exist; do not
                // report success for a path that cannot be used.
                if (!IsFolder(folder)) {
                    return FailWith(ERROR_ALREADY_EXISTS);
                }
            }
        }
        start = end + 1;
    }
    return TRUE;
}

}  // namespace win

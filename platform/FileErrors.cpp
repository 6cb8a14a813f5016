#include "platform/FileErrors.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/LastError.h"

namespace win {

namespace {

std::string WithoutTrailingSlashes(const std::string& nativePath) {
    std::string trimmed = nativePath;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    return trimmed;
}

bool IsFolder(const std::string& nativePath) {
    struct stat info {};
    return stat(nativePath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string NativeParentOf(const std::string& nativePath) {
    const std::string trimmed = WithoutTrailingSlashes(nativePath);
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : trimmed.substr(0, slash);
}

DWORD SetLastErrorForPath(int errnoValue, const std::string& nativePath) {
    const bool missingIsPath = errnoValue == ENOENT && !IsFolder(NativeParentOf(nativePath));
    return SetLastErrorFromErrno(errnoValue, missingIsPath);
}

BOOL FailForPath(int errnoValue, const std::string& nativePath) {
    SetLastErrorForPath(errnoValue, nativePath);
    return FALSE;
}

BOOL FailWith(DWORD code) {
    SetLastError(code);
    return FALSE;
}

}  // namespace win

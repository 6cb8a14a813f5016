#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/ModuleFileCopy.h"
#include "platform/NativePath.h"
#include "platform/Process.h"

namespace win {

namespace detail {

DWORD CopyModulePath(std::string_view path, char* buffer, DWORD size) {
    if (path.size() < size) {
        std::memcpy(buffer, path.data(), path.size());
        buffer[path.size()] = '\0';
        return static_cast<DWORD>(path.size());
    }
    if (size > 0) {
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

}  // namespace detail

namespace {

bool EndsInBackslash(std::string_view path) {
    const std::size_t last = LastCharStart(path);
    return last != std::string_view::npos && path.substr(last) == "\\";
}

}  // namespace

DWORD GetLongPathNameA(const char* shortPath, char* longPath, DWORD size) {
    if (shortPath == nullptr || (longPath == nullptr && size > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string given = shortPath;  // longPath may be the same buffer
    std::string native;
    if (!ToNativePath(given, native)) return 0;
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(native.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    std::string result;
    if (!FromNativePath(resolved.get(), result)) return 0;
    // A folder named with its trailing separator keeps it, as on Windows.
    if (EndsInBackslash(given) && !EndsInBackslash(result)) result += '\\';
    if (result.size() >= size) return static_cast<DWORD>(result.size() + 1);
    std::memcpy(longPath, result.c_str(), result.size() + 1);
    return static_cast<DWORD>(result.size());
}

}  // namespace win

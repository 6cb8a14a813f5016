// GetTempFileName: "<folder>\<prefix><hex>.tmp", created exclusively when
// the caller leaves the number to us.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/FileApi.h"
#include "platform/FileErrors.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"

namespace win {

namespace {

constexpr unsigned kNumberMask = 0xFFFF;  // names carry 16 bits, as on Windows
constexpr std::size_t kPrefixCharacters = 3;

// Start points differ between processes and calls, so concurrent callers
// rarely try the same names.
unsigned NextStartNumber() {
    static std::atomic<unsigned> counter{static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ (getpid() * 2654435761u))};
    return counter.fetch_add(1) % kNumberMask + 1;  // 1 .. 0xFFFF
}

std::string FolderWithSeparator(std::string_view folder) {
    std::string base(folder);
    const std::size_t last = LastCharStart(base);
    if (last == std::string::npos || CharLength(base, last) != 1 || base[last] != '\\') {
        base += '\\';
    }
    return base;
}

std::string_view LeadingCharacters(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < text.size(); ++taken) {
        end = CharNext(text, end);
    }
    return text.substr(0, end);
}

std::string NameFor(const std::string& base, unsigned number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%X.tmp", number & kNumberMask);
    return base + digits;
}

// 1 created, 0 name taken, -1 failed (last error set).
int CreateExclusively(const std::string& windowsName) {
    std::string native;
    if (!ToNativePath(windowsName, native)) {
        return -1;
    }
    const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        close(fd);
        return 1;
    }
    if (errno == EEXIST) {
        return 0;
    }
    SetLastErrorForPath(errno, native);
    return -1;
}

}  // namespace

unsigned GetTempFileName(std::string_view folder, std::string_view prefix, unsigned unique,
                         std::string& result) {
    const std::string base =
        FolderWithSeparator(folder) + std::string(LeadingCharacters(prefix, kPrefixCharacters));
    if (unique != 0) {
        result = NameFor(base, unique);
        return unique;
    }
    const unsigned start = NextStartNumber();
    unsigned number = start;
    do {
        const std::string candidate = NameFor(base, number);
        const int outcome = CreateExclusively(candidate);
        if (outcome == 1) {
            result = candidate;
            return number;
        }
        if (outcome < 0) {
            return 0;
        }
        number = number % kNumberMask + 1;
    } while (number != start);
    SetLastError(ERROR_FILE_EXISTS);  // every one of the 65535 names is taken
    return 0;
}

}  // namespace win

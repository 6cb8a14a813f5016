#include "host/PageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/HostText.h"
#include "host/PageSource.h"
#include "platform/HexDigit.h"

namespace {

// file:///a%20b -> /a b; other texts stay as they are.
std::string LocalPath(const std::string& source) {
    constexpr std::string_view kScheme = "file://";
    if (!source.starts_with(kScheme) || source.size() <= kScheme.size() ||
        source[kScheme.size()] != '/') {
        return source;
    }
    std::string path;
    for (std::size_t i = kScheme.size(); i < source.size(); ++i) {
        if (source[i] == '%' && i + 2 < source.size() && win::HexValue(source[i + 1]) >= 0 &&
            win::HexValue(source[i + 2]) >= 0) {
            path +=
                static_cast<char>(win::HexValue(source[i + 1]) * 16 + win::HexValue(source[i + 2]));
            i += 2;
        } else {
            path += source[i];
        }
    }
    return path;
}

bool ReadAll(int fd, std::string& bytes, std::string& error) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            error = HostText(textid::kCannotRead, {std::strerror(errno)});
            return false;
        }
        if (count == 0) return true;
        if (bytes.size() + static_cast<std::size_t>(count) > kMaxPageBytes) {
            error = HostText(textid::kFileTooLarge, {kMaxPageBytes / (1024 * 1024)});
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

}  // namespace

bool ReadPageFile(const std::string& source, std::string& bytes, std::string& error) {
    const std::string path = LocalPath(source);
    // Not blocking: a FIFO must not hold the program before the type check.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    std::string cause;
    struct stat info {};
    if (fd < 0) {
        cause = errno == ENOENT ? HostText(textid::kNoSuchFile) : std::string(std::strerror(errno));
    } else if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        cause = HostText(textid::kNotARegularFile);
    } else {
        bytes.clear();
        ReadAll(fd, bytes, cause);
    }
    if (fd >= 0) close(fd);
    if (!cause.empty()) {
        error = HostText(textid::kCannotLoadPage, {source, cause});
        return false;
    }
    return true;
}

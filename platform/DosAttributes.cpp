#include "platform/DosAttributes.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace win {

namespace {

constexpr const char* kAttributeName = "user.DOSATTRIB";

// Samba may store a binary record after the text; only the "0x" text counts.
DWORD ParseStoredText(const char* text, ssize_t length) {
    if (length < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return 0;
    }
    const std::string digits(text + 2, static_cast<std::size_t>(length) - 2);
    const unsigned long value = std::strtoul(digits.c_str(), nullptr, 16);
    return static_cast<DWORD>(value) & kDosAttributeBits;
}

// A missing attribute to remove is already the wanted state.
int RemoveResult(int result) {
    if (result == 0 || errno == ENODATA || errno == ENOTSUP) {
        return 0;
    }
    return errno;
}

int SetResult(int result) {
    return result == 0 ? 0 : errno;
}

std::string StoredText(DWORD bits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(bits & kDosAttributeBits));
    return text;
}

}  // namespace

DWORD ReadDosAttributes(const std::string& nativePath) {
    char text[64];
    const ssize_t length = lgetxattr(nativePath.c_str(), kAttributeName, text, sizeof text - 1);
    return ParseStoredText(text, length);
}

DWORD ReadDosAttributes(int fd) {
    char text[64];
    const ssize_t length = fgetxattr(fd, kAttributeName, text, sizeof text - 1);
    return ParseStoredText(text, length);
}

int WriteDosAttributes(const std::string& nativePath, DWORD bits) {
    if ((bits & kDosAttributeBits) == 0) {
        return RemoveResult(lremovexattr(nativePath.c_str(), kAttributeName));
    }
    const std::string text = StoredText(bits);
    return SetResult(lsetxattr(nativePath.c_str(), kAttributeName, text.data(), text.size(), 0));
}

int WriteDosAttributes(int fd, DWORD bits) {
    if ((bits & kDosAttributeBits) == 0) {
        return RemoveResult(fremovexattr(fd, kAttributeName));
    }
    const std::string text = StoredText(bits);
    return SetResult(fsetxattr(fd, kAttributeName, text.data(), text.size(), 0));
}

}  // namespace win

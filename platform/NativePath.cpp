#include "platform/NativePath.h"

#include "platform/CodePage.h"
#include "platform/LastError.h"

namespace win {

namespace {

// Characters a Windows name cannot hold besides the separators.
constexpr std::string_view kForbiddenInWindowsNames = ":*?\"<>|";

bool Fail(DWORD code) {
    SetLastError(code);
    return false;
}

bool IsRootDrive(std::string_view windowsPath) {
    return windowsPath.size() >= 2 && (windowsPath[0] == 'Z' || windowsPath[0] == 'z') &&
           windowsPath[1] == ':';
}

// True when a '/' sits inside a component; walked by character so a trail byte
// is never read as one. A NUL would cut the path short at the system call.
bool HasUnsafeCharacter(std::string_view windowsPath) {
    for (std::size_t pos = 0; pos < windowsPath.size(); pos = CharNext(windowsPath, pos)) {
        if (CharLength(windowsPath, pos) == 1 &&
            (windowsPath[pos] == '/' || windowsPath[pos] == '\0')) {
            return true;
        }
    }
    return false;
}

// The names below the root, with runs of '/' collapsed into one separator.
std::string NativeToWindowsSeparators(std::string_view utf8Path) {
    std::string windowsForm;
    windowsForm.reserve(utf8Path.size());
    for (char c : utf8Path) {
        if (c == '/') {
            if (!windowsForm.empty() && windowsForm.back() == '\\') continue;
            windowsForm += '\\';
        } else {
            windowsForm += c;
        }
    }
    return windowsForm;
}

// In UTF-8 every byte below 0x80 is the ASCII character itself, so a byte
// scan is a character scan here.
bool IsRepresentableInWindows(std::string_view utf8Path) {
    for (char c : utf8Path) {
        if (c == '\\' || c == '\0' || kForbiddenInWindowsNames.find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ToNativePath(std::string_view windowsPath, std::string& nativePath) {
    if (!IsRootDrive(windowsPath)) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    std::string_view rest = windowsPath.substr(2);
    // "Z:name" is relative to a current folder on the drive, which we do not keep.
    if (!rest.empty() && rest.front() != '\\') {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    if (HasUnsafeCharacter(rest)) {
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    // Convert first: in Shift-JIS a trail byte may be 0x5C, in UTF-8 it never is.
    std::string utf8;
    if (!ProcessToUtf8(rest, utf8)) {
        return Fail(ERROR_INVALID_NAME);
    }
    for (char& c : utf8) {
        if (c == '\\') c = '/';
    }
    nativePath = utf8.empty() ? "/" : std::move(utf8);
    return true;
}

bool FromNativePath(std::string_view nativePath, std::string& windowsPath) {
    if (nativePath.empty() || nativePath.front() != '/' || !IsRepresentableInWindows(nativePath)) {
        return Fail(ERROR_INVALID_NAME);
    }
    std::string converted;
    if (!Utf8ToProcess(NativeToWindowsSeparators(nativePath), converted)) {
        return Fail(ERROR_INVALID_NAME);
    }
    windowsPath = "Z:" + converted;
    return true;
}

}  // namespace win

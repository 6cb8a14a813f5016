#include "env/PathRules.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/FileApi.h"
#include "platform/InvisibleCharacters.h"
#include "platform/LastError.h"
#include "platform/WinTypes.h"

namespace env {
namespace {

constexpr std::size_t kFileNameLimit = 256;  // names of this many bytes or more are refused
constexpr std::size_t kFullPathLimit = win::MAX_PATH;  // the limit counts the terminator
constexpr std::size_t kFullPathMinimum = 2;
constexpr std::size_t kFullPathCheckedFrom = 2;  // a drive's colon sits before this byte
constexpr std::string_view kFileNameForbidden = "/:*?\"<>|\\";
constexpr std::string_view kFullPathForbidden = "/:*?\"<>|";
constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
constexpr std::string_view kUpperHexDigits = "1234567890ABCDEF";

// True when the character at `pos` is the single byte `c`; a byte inside a
// double-byte character never matches.
bool IsSingleByteChar(std::string_view text, std::size_t pos, char c) {
    return text[pos] == c && win::CharLength(text, pos) == 1;
}

bool IsSingleByteCharOf(std::string_view text, std::size_t pos, std::string_view set) {
    return win::CharLength(text, pos) == 1 && set.find(text[pos]) != std::string_view::npos;
}

// True when a character starting at byte `from` or later is one of `set`.
bool ContainsCharOf(std::string_view text, std::string_view set, std::size_t from = 0) {
    for (std::size_t pos = 0; pos < text.size(); pos = win::CharNext(text, pos)) {
        if (pos >= from && IsSingleByteCharOf(text, pos, set)) {
            return true;
        }
    }
    return false;
}

// A NUL byte would end the name at the native edge, so the file used would
// not be the one checked here. It is never a trail byte, so a byte search holds.
bool HasNulByte(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

// The text without the characters of `set` at either end.
std::string_view Trim(std::string_view text, std::string_view set) {
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < text.size(); pos = win::CharNext(text, pos)) {
        if (!IsSingleByteCharOf(text, pos, set)) {
            begin = std::min(begin, pos);
            end = win::CharNext(text, pos);
        }
    }
    return begin < end ? text.substr(begin, end - begin) : std::string_view{};
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Case-insensitive for ASCII letters only: reserved names are plain ASCII, and
// a lead byte (0x81 and up) never equals one of their characters.
bool EqualsIgnoringCase(std::string_view text, std::string_view upperCase) {
    return text.size() == upperCase.size() &&
           std::equal(text.begin(), text.end(), upperCase.begin(),
                      [](char a, char b) { return AsciiUpper(a) == b; });
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsNumberedDeviceName(std::string_view name) {
    const std::string_view stem = name.substr(0, 3);
    const char number = name[3];
    return (EqualsIgnoringCase(stem, "COM") || EqualsIgnoringCase(stem, "LPT")) && number >= '1' &&
           number <= '9';
}

bool IsMissingFileError(win::DWORD error) {
    return error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_PATH_NOT_FOUND;
}

// Control characters in a name: a NUL would end it at the native edge, the
// others (1-31, 127) a terminal acts on when the name is shown; Windows never
// allowed 1-31 either. Neither code page uses these bytes inside a
// character, so a byte scan holds.
bool HasControlByte(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// C1 controls and format characters (bidirectional overrides, zero-width
// characters): a name holding one shows as another name, or acts on the
// terminal it is shown on. Judged by character, in any code page.
bool HasInvisibleCharacter(std::string_view name) {
    std::string utf8;
    return win::ProcessToUtf8(name, utf8) && win::HasInvisibleCharacter(utf8);
}

}  // namespace

bool IsValidFileName(std::string_view name) {
    if (name.empty() || name.size() >= kFileNameLimit || HasControlByte(name) ||
        HasInvisibleCharacter(name)) {
        return false;
    }
    // "." and ".." would name the folder itself or its parent, not a file in it.
    if (name == "." || name == "..") {
        return false;
    }
    if (ContainsCharOf(name, kFileNameForbidden)) {
        return false;
    }
    return HasNoReservedComponent(name);
}

bool IsValidFullPath(std::string_view path) {
    if (path.size() < kFullPathMinimum || path.size() >= kFullPathLimit || HasNulByte(path)) {
        return false;
    }
    if (ContainsCharOf(path, kFullPathForbidden, kFullPathCheckedFrom)) {
        return false;
    }
    if (!IsDrivePath(path) && !IsUncPath(path)) {
        return false;
    }
    return HasNoReservedComponent(path);
}

bool HasNoReservedComponent(std::string_view path) {
    const std::vector<std::string> components = SplitComponents(path, "\\");
    return std::none_of(components.begin(), components.end(), [](const std::string& component) {
        return IsReservedDeviceName(component);
    });
}

bool IsReservedDeviceName(std::string_view component) {
    const std::string name = RemoveExtension(component);
    switch (name.size()) {
        case 3:
            return EqualsIgnoringCase(name, "AUX") || EqualsIgnoringCase(name, "CON") ||
                   EqualsIgnoringCase(name, "NUL") || EqualsIgnoringCase(name, "PRN");
        case 4:
            return IsNumberedDeviceName(name);
        case 6:
            return EqualsIgnoringCase(name, "CLOCK$");
        default:
            return false;
    }
}

std::vector<std::string> SplitComponents(std::string_view text, std::string_view delimiters) {
    std::vector<std::string> components;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (IsSingleByteCharOf(text, pos, delimiters)) {
            pos = win::CharNext(text, pos);
            continue;
        }
        const std::size_t begin = pos;
        while (pos < text.size() && !IsSingleByteCharOf(text, pos, delimiters)) {
            pos = win::CharNext(text, pos);
        }
        const std::string_view component = text.substr(begin, pos - begin);
        components.emplace_back(Trim(Trim(component, kWhiteSpace), "\""));
    }
    return components;
}

bool IsDrivePath(std::string_view path) {
    // An ASCII letter is never a lead byte, so the colon and the backslash
    // after it are characters of their own.
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\';
}

bool IsUncPath(std::string_view path) {
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\' &&
           (path.size() == 2 || path[2] != '?');
}

std::string RemoveTrailingBackslashes(std::string_view folder) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < folder.size(); pos = win::CharNext(folder, pos)) {
        if (!IsSingleByteChar(folder, pos, '\\')) {
            end = win::CharNext(folder, pos);
        }
    }
    return std::string(folder.substr(0, end));
}

bool IsPathWithinFolder(std::string_view path, std::string_view folder) {
    const std::string base = RemoveTrailingBackslashes(folder);
    if (!IsValidFullPath(path) || !IsValidFullPath(base) || !path.starts_with(base)) return false;
    // `base` ends on a character boundary of `path`, so what follows starts a character.
    const std::string_view rest = path.substr(base.size());
    if (rest.empty()) return true;
    if (!IsSingleByteChar(rest, 0, '\\')) return false;
    std::size_t start = 1;
    for (std::size_t pos = 1;; pos = win::CharNext(rest, pos)) {
        const bool atEnd = pos >= rest.size();
        if (!atEnd && !IsSingleByteChar(rest, pos, '\\')) continue;
        const std::string_view component = rest.substr(start, pos - start);
        if (component == "." || component == "..") return false;
        if (atEnd) return true;
        start = pos + 1;
    }
}

std::string AddTrailingBackslash(std::string_view folder) {
    return RemoveTrailingBackslashes(folder) + '\\';
}

bool IsUpperHexText(std::string_view text) {
    return text.size() % 2 == 0 &&
           text.find_first_not_of(kUpperHexDigits) == std::string_view::npos;
}

std::size_t FindExtension(std::string_view path) {
    std::size_t lastDot = std::string_view::npos;
    for (std::size_t pos = 0; pos < path.size(); pos = win::CharNext(path, pos)) {
        if (IsSingleByteChar(path, pos, '\\') || IsSingleByteChar(path, pos, ' ')) {
            lastDot = std::string_view::npos;
        } else if (IsSingleByteChar(path, pos, '.')) {
            lastDot = pos;
        }
    }
    return lastDot == std::string_view::npos ? path.size() : lastDot;
}

std::string RemoveExtension(std::string_view path) {
    return std::string(path.substr(0, FindExtension(path)));
}

bool ForceDeleteFile(std::string_view path) {
    if (path.empty()) {
        win::SetLastError(win::ERROR_INVALID_PARAMETER);
        return false;
    }
    const win::DWORD previousAttributes = win::GetFileAttributes(path);
    if (previousAttributes == win::INVALID_FILE_ATTRIBUTES) {
        // Only a missing file means there is nothing to delete; a query that
        // failed otherwise (access denied) leaves a file that may still exist.
        return IsMissingFileError(win::GetLastError());
    }
    win::SetFileAttributes(path, win::FILE_ATTRIBUTE_NORMAL);
    if (win::DeleteFile(path)) {
        return true;
    }
    // The caller reports the delete's failure, not the restore's outcome.
    const win::DWORD deleteError = win::GetLastError();
    win::SetFileAttributes(path, previousAttributes);
    win::SetLastError(deleteError);
    return false;
}

}  // namespace env

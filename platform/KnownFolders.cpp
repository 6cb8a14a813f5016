#include "platform/KnownFolders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/PrivateFolder.h"
#include "platform/UniqueFd.h"
#include "platform/XdgUserDirs.h"

namespace win {

namespace {

constexpr const char* kRuntimeFolderName = "kiv-downloader";
// Below $XDG_STATE_HOME: where the runtime folder made in place of a taken one is noted.
constexpr const char* kRuntimeRecordFile = "/kiv-downloader/runtime-folder";

// An environment value used as a folder: set, non-empty and absolute
// (relative XDG values are to be ignored).
std::optional<std::string> AbsoluteEnvironmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> HomeFolder() {
    if (auto home = AbsoluteEnvironmentPath("HOME")) {
        return home;
    }
    // getpwuid_r: other threads may look up users at the same time.
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || entry.pw_dir == nullptr || entry.pw_dir[0] != '/') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    return std::string(entry.pw_dir);
}

// $variable, else the home folder followed by `belowHome`.
std::optional<std::string> XdgFolder(const char* variable, std::string_view belowHome) {
    if (auto value = AbsoluteEnvironmentPath(variable)) {
        return value;
    }
    std::optional<std::string> home = HomeFolder();
    if (!home) {
        return std::nullopt;
    }
    return *home + std::string(belowHome);
}

// The user-dirs file's text: only a plain file (a link to one is fine, a
// dotfile manager makes those), and only its first 64 KiB; a FIFO or a
// device put there must not hold or flood the program.
std::string ReadUserDirsFile(const std::string& path) {
    constexpr std::size_t kMaxBytes = 64 * 1024;
    CUniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    std::string text(kMaxBytes, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t got = ::read(file.Get(), text.data() + size, text.size() - size);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        size += static_cast<std::size_t>(got);
    }
    text.resize(size);
    return text;
}

// The folder the user-dirs file gives `variable`, else `belowHome` at home.
std::optional<std::string> UserFolder(std::string_view variable, std::string_view belowHome) {
    std::optional<std::string> home = HomeFolder();
    std::optional<std::string> config = XdgFolder("XDG_CONFIG_HOME", "/.config");
    if (!home || !config) {
        return std::nullopt;
    }
    if (auto folder = FindUserDir(ReadUserDirsFile(*config + "/user-dirs.dirs"), variable, *home)) {
        return folder;
    }
    return *home + std::string(belowHome);
}

bool IsExistingFolder(const std::string& nativePath) {
    struct stat info {};
    return stat(nativePath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Our per-user name in the shared temporary folder is someone else's (a
// folder, a link or a file another user made first): a fresh folder of our
// own, which later processes find again through a record in our state folder.
std::optional<std::string> RecordedRuntimeFolder(const std::string& taken) {
    std::optional<std::string> state = XdgFolder("XDG_STATE_HOME", "/.local/state");
    std::string folder;
    if (!state || !EnsureRecordedPrivateFolder(taken + ".", *state + kRuntimeRecordFile, folder)) {
        return std::nullopt;
    }
    return folder;
}

std::optional<std::string> RuntimeFolder() {
    std::optional<std::string> base = AbsoluteEnvironmentPath("XDG_RUNTIME_DIR");
    if (base && IsExistingFolder(*base)) {
        const std::string folder = *base + "/" + kRuntimeFolderName;
        if (!EnsurePrivateFolder(folder)) {
            return std::nullopt;  // last error already set
        }
        return folder;
    }
    const std::string shared = AbsoluteEnvironmentPath("TMPDIR").value_or("/tmp");
    const std::string folder =
        shared + "/" + std::string(kRuntimeFolderName) + "-" + std::to_string(geteuid());
    if (EnsurePrivateFolder(folder)) {
        return folder;
    }
    if (GetLastError() != ERROR_ACCESS_DENIED) {
        return std::nullopt;
    }
    return RecordedRuntimeFolder(folder);
}

std::optional<std::string> LookUpNativePath(KnownFolder folder) {
    switch (folder) {
        case KnownFolder::LocalAppData:
            return XdgFolder("XDG_CACHE_HOME", "/.cache");
        case KnownFolder::LocalAppDataLow:
            return XdgFolder("XDG_STATE_HOME", "/.local/state");
        case KnownFolder::RoamingAppData:
            return XdgFolder("XDG_CONFIG_HOME", "/.config");
        case KnownFolder::Temp:
            return AbsoluteEnvironmentPath("TMPDIR").value_or("/tmp");
        case KnownFolder::Desktop:
            return UserFolder("XDG_DESKTOP_DIR", "/Desktop");
        case KnownFolder::Downloads:
            return UserFolder("XDG_DOWNLOAD_DIR", "/Downloads");
        case KnownFolder::Home:
            return HomeFolder();
        case KnownFolder::Runtime:
            return RuntimeFolder();
    }
    return std::nullopt;
}

void RemoveTrailingSlashes(std::string& nativePath) {
    while (nativePath.size() > 1 && nativePath.back() == '/') {
        nativePath.pop_back();
    }
}

}  // namespace

bool GetKnownFolderNativePath(KnownFolder folder, std::string& nativePath) {
    std::optional<std::string> path = LookUpNativePath(folder);
    if (!path) {
        return false;  // the failing step has set the last error
    }
    RemoveTrailingSlashes(*path);
    nativePath = std::move(*path);
    return true;
}

bool GetKnownFolderPath(KnownFolder folder, std::string& windowsPath) {
    std::string nativePath;
    std::string converted;
    if (!GetKnownFolderNativePath(folder, nativePath) || !FromNativePath(nativePath, converted)) {
        return false;
    }
    if (converted.back() == '\\') {
        converted.pop_back();  // the root: "Z:\" becomes "Z:"
    }
    windowsPath = std::move(converted);
    return true;
}

}  // namespace win

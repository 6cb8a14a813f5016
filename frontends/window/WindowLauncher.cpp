#include "frontends/window/WindowLauncher.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kOpener = "xdg-open";

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

bool CWindowLauncher::Launch(const std::vector<std::string>& argv) {
    if (!openFolders_ && IsFolderOpening(argv)) return false;
    return programs_.Launch(argv);
}

bool IsFolderOpening(const std::vector<std::string>& argv) {
    std::error_code failure;
    return argv.size() == 2 && argv[0] == kOpener &&
           std::filesystem::is_directory(argv[1], failure);
}

bool HasDesktopDisplay() {
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

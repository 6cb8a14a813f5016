#include "env/InstalledFiles.h"

#include <limits.h>
#include <unistd.h>

#include <filesystem>

namespace env {

std::string InstalledFilePath(const std::string& fileName) {
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0) return {};
    const std::string path(program, static_cast<std::size_t>(length));
    const std::string programFolder = path.substr(0, path.find_last_of('/') + 1);
    // A build tree keeps the file beside the program; an installed tree
    // keeps it in PREFIX/lib/kiv-downloader/, found from PREFIX/bin/ so the
    // tree can be moved as a whole.
    const std::string beside = programFolder + fileName;
    const std::string installed = programFolder + "../" + kInstalledFilesFolder + "/" + fileName;
    if (access(beside.c_str(), F_OK) != 0 && access(installed.c_str(), F_OK) == 0) {
        return std::filesystem::path(installed).lexically_normal().string();
    }
    return beside;
}

}  // namespace env

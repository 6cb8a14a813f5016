// Finding a desktop entry by its id in the XDG data folders and reading its
// Exec key.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "control/DesktopAssociation.h"

namespace kivcontrol {

namespace {

constexpr const char* kEntryGroup = "[Desktop Entry]";
constexpr const char* kDefaultDataDirs = "/usr/local/share:/usr/share";

std::optional<std::string> AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::nullopt;
    return std::string(value);
}

// $XDG_DATA_HOME first, then $XDG_DATA_DIRS in order; relative entries are
// ignored, as the base-directory rules ask.
std::vector<std::string> DataFolders() {
    std::vector<std::string> folders;
    if (auto home = AbsoluteEnv("XDG_DATA_HOME")) {
        folders.push_back(*home);
    } else if (auto userHome = AbsoluteEnv("HOME")) {
        folders.push_back(*userHome + "/.local/share");
    }
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs != nullptr && dirs[0] != '\0' ? dirs : kDefaultDataDirs;
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string folder = list.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/') folders.push_back(std::move(folder));
        start = end + 1;
    }
    return folders;
}

// An id names a file below applications/; '-' may stand for one folder level
// ("kde4-app.desktop" is kde4/app.desktop). Anything that could climb out of
// the folder is no id.
std::vector<std::string> RelativeCandidates(const std::string& id) {
    if (id.empty() || id.find('/') != std::string::npos || id.front() == '.') return {};
    std::vector<std::string> candidates{id};
    const std::size_t dash = id.find('-');
    if (dash != std::string::npos && dash > 0) {
        candidates.push_back(id.substr(0, dash) + "/" + id.substr(dash + 1));
    }
    return candidates;
}

// The general escapes of a desktop-entry string value.
std::string Unescape(const std::string& value) {
    std::string text;
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (value[at] != '\\' || at + 1 == value.size()) {
            text += value[at];
            continue;
        }
        switch (const char c = value[++at]) {
            case 's':
                text += ' ';
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'r':
                text += '\r';
                break;
            default:
                text += c;  // "\\" and anything else: the character itself
        }
    }
    return text;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The Exec value of the file's [Desktop Entry] group.
std::optional<std::string> ReadExec(const std::string& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    bool inEntryGroup = false;
    for (std::string line; std::getline(file, line);) {
        line = Trimmed(line);
        if (!line.empty() && line.front() == '[') {
            inEntryGroup = line == kEntryGroup;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inEntryGroup || equals == std::string::npos) continue;
        if (Trimmed(line.substr(0, equals)) == "Exec") {
            return Unescape(Trimmed(line.substr(equals + 1)));
        }
    }
    return std::nullopt;
}

}  // namespace

bool FindDesktopEntryExec(const std::string& desktopId, std::string& execLine) {
    for (const std::string& folder : DataFolders()) {
        for (const std::string& relative : RelativeCandidates(desktopId)) {
            // The first entry of that id wins, even without an Exec key.
            const std::string path = folder + "/applications/" + relative;
            std::error_code error;
            if (!std::filesystem::is_regular_file(path, error)) continue;
            std::optional<std::string> exec = ReadExec(path);
            if (!exec || exec->empty()) return false;
            execLine = *exec;
            return true;
        }
    }
    return false;
}

}  // namespace kivcontrol

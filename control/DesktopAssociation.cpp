#include "control/DesktopAssociation.h"

#include <utility>

#include "control/ProcessLauncher.h"

namespace kivcontrol {

namespace {

// xdg-mime answers at once; one that hangs must not hold the window thread.
constexpr unsigned kQueryTimeoutMs = 5000;

// The first line of a command's output, without surrounding blanks.
std::string FirstLine(const std::string& output) {
    std::string line = output.substr(0, output.find('\n'));
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

bool Query(const CommandRunner& runner, const std::vector<std::string>& argv, std::string& answer) {
    std::string output;
    if (!runner || !runner(argv, output)) return false;
    answer = FirstLine(output);
    return !answer.empty();
}

}  // namespace

CDesktopAssociation::CDesktopAssociation()
    : runner_([](const std::vector<std::string>& argv, std::string& output) {
          return RunForOutput(argv, kQueryTimeoutMs, output);
      }) {}

CDesktopAssociation::CDesktopAssociation(CommandRunner runner) : runner_(std::move(runner)) {}

bool CDesktopAssociation::FindProgram(const std::string& nativeFile, std::string& execLine) const {
    std::string mimeType;
    std::string defaults;
    if (!Query(runner_, {"xdg-mime", "query", "filetype", nativeFile}, mimeType) ||
        !Query(runner_, {"xdg-mime", "query", "default", mimeType}, defaults)) {
        return false;
    }
    // Several defaults may be listed; the first that exists counts.
    for (std::size_t start = 0; start < defaults.size();) {
        std::size_t end = defaults.find(';', start);
        if (end == std::string::npos) end = defaults.size();
        if (FindDesktopEntryExec(FirstLine(defaults.substr(start, end - start)), execLine)) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace kivcontrol

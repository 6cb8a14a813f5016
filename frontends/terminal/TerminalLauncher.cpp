#include "frontends/terminal/TerminalLauncher.h"

namespace kivterm {

bool CTerminalLauncher::Launch(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    {
        std::lock_guard lock(mutex_);
        launches_.push_back(argv);
    }
    std::string line;
    if (argv.size() == 2 && argv[0] == "xdg-open") {
        line = argv[1];
    } else {
        for (const std::string& word : argv) line += (line.empty() ? "" : " ") + word;
    }
    if (!quiet_) console_.WriteLine(line);
    return true;
}

std::vector<std::vector<std::string>> CTerminalLauncher::Launches() const {
    std::lock_guard lock(mutex_);
    return launches_;
}

}  // namespace kivterm

#pragma once
// The terminal opens nothing: what the control would open (the destination
// folder after a successful run, a file, a web page) is printed on the
// error output instead, one line each (not with --quiet). A script finds
// the files' paths in the summary on the standard output.
#include <mutex>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "frontends/terminal/TerminalConsole.h"

namespace kivterm {

class CTerminalLauncher : public kivcontrol::ILauncher {
public:
    CTerminalLauncher(CTerminalConsole& console, bool quiet = false)
        : console_(console), quiet_(quiet) {}

    // "xdg-open X" prints X; any other command its words. Always true.
    bool Launch(const std::vector<std::string>& argv) override;
    std::vector<std::vector<std::string>> Launches() const;

private:
    CTerminalConsole& console_;
    const bool quiet_;
    mutable std::mutex mutex_;
    std::vector<std::vector<std::string>> launches_;
};

}  // namespace kivterm

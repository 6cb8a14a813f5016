#pragma once
// The terminal opens nothing: what the control would open (the destination
// folder after a successful run, a file, a web page) is printed on the
// output instead, one line each, so that a script can pick it up.
#include <mutex>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "host/TerminalConsole.h"

namespace kivterm {

class CTerminalLauncher : public ILauncher {
public:
    explicit CTerminalLauncher(CTerminalConsole& console) : console_(console) {}

    // "xdg-open X" prints X; any other command its words. Always true.
    bool Launch(const std::vector<std::string>& argv) override;
    std::vector<std::vector<std::string>> Launches() const;

private:
    CTerminalConsole& console_;
    mutable std::mutex mutex_;
    std::vector<std::vector<std::string>> launches_;
};

}  // namespace kivterm

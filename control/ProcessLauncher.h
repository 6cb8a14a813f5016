#pragma once
// Starts other programs for the control without a shell and without waiting
// for them. Children are reaped by a detached thread each, so none lingers as
// a zombie and no SIGCHLD handler of the host is needed or disturbed.
#include <string>
#include <vector>

#include "control/ControlServices.h"

namespace kivcontrol {

class CProcessLauncher : public ILauncher {
public:
    // argv[0] is looked up in PATH. The child gets the environment and the
    // standard streams; no other descriptor of ours reaches it.
    bool Launch(const std::vector<std::string>& argv) override;
};

// Runs argv, waits up to `timeoutMs` for it to end and collects what it writes
// to standard output (standard error goes to /dev/null). False when it could
// not start, ran too long (it is then killed) or did not exit with 0.
bool RunForOutput(const std::vector<std::string>& argv, unsigned timeoutMs, std::string& output);

}  // namespace kivcontrol

// The terminal front-end: one run of the control from its module in the
// terminal session (frontends/terminal/TerminalSession.h), with the command line's answers.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "frontends/terminal/TerminalModuleControl.h"
#include "frontends/terminal/TerminalSession.h"
#include "frontends/terminal/TerminalText.h"
#include "host/ExitStatus.h"
#include "host/FrontEnd.h"

using kivcontrol::CParamTagBag;

namespace {

// Appended to, never truncated; a link in its place is refused.
int OpenLog(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                  0600);
}

void Complain(const std::string& text) {
    const std::string line =
        "kiv-downloader: " + kivterm::VisibleControls(text, kivterm::Layout::Kept) +
        "\nTry 'kiv-downloader --help'.\n";
    [[maybe_unused]] const ssize_t written = ::write(2, line.data(), line.size());
}

class CTerminalFrontEnd final : public IFrontEnd {
public:
    int Run(const HostPage& page, CControlModule& module, const HostOptions& options) override {
        const kivterm::TerminalIo io = kivterm::DetectTerminalIo(std::getenv("TERM"));
        // Nobody to ask where to save, and nothing said: stop before anything starts.
        if (io.in < 0 && options.destination.empty() && !options.yes) {
            Complain(
                "no terminal to ask where to save the files: give --destination DIR (or --yes)");
            return kExitFailure;
        }
        kivterm::TerminalOptions answers;
        answers.destination = options.destination;
        answers.existing = options.existing;
        answers.assumeYes = options.yes;
        answers.quiet = options.quiet;
        answers.verbose = options.verbose;
        if (!options.logFile.empty()) {
            answers.logFd = OpenLog(options.logFile);
            if (answers.logFd < 0) {
                Complain("cannot write the log " + options.logFile + ": " + std::strerror(errno));
                return kExitFailure;
            }
        }
        // The log stays open until the process ends: a worker that outlives
        // the session may still report, and must not write to a reused descriptor.
        kivterm::CTerminalSession session(io, answers);
        return session.Run(kivterm::ModuleControl(module), CParamTagBag(page.params));
    }
};

}  // namespace

std::unique_ptr<IFrontEnd> MakeTerminalFrontEnd() {
    return std::make_unique<CTerminalFrontEnd>();
}

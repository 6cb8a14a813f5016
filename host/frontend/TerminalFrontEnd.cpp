// The terminal front-end: one run of the control from its module in the
// terminal session (host/TerminalSession.h), with the command line's answers.
#include "host/FrontEnd.h"
#include "host/TerminalModuleControl.h"
#include "host/TerminalSession.h"

namespace {

class CTerminalFrontEnd final : public IFrontEnd {
public:
    int Run(const HostPage& page, CControlModule& module, const HostOptions& options) override {
        kivterm::TerminalOptions answers;
        answers.destination = options.destination;
        answers.existing = options.existing;
        answers.assumeYes = options.yes;
        kivterm::CTerminalSession session(kivterm::DetectTerminalIo(), answers);
        return session.Run(kivterm::ModuleControl(module), CParamTagBag(page.params));
    }
};

}  // namespace

std::unique_ptr<IFrontEnd> MakeTerminalFrontEnd() {
    return std::make_unique<CTerminalFrontEnd>();
}

// Placeholder until the terminal front-end lands; it replaces this file.
#include <iostream>

#include "host/ExitStatus.h"
#include "host/FrontEnd.h"

namespace {

class CTerminalFrontEnd final : public IFrontEnd {
public:
    int Run(const HostPage&, CControlModule&, const HostOptions&) override {
        std::cerr << "kiv-downloader: the terminal front-end is not built yet\n";
        return kExitFailure;
    }
};

}  // namespace

std::unique_ptr<IFrontEnd> MakeTerminalFrontEnd() {
    return std::make_unique<CTerminalFrontEnd>();
}

// Placeholder until the Qt window front-end lands; it replaces this file.
#include <iostream>

#include "host/ExitStatus.h"
#include "host/FrontEnd.h"

namespace {

class CWindowFrontEnd final : public IFrontEnd {
public:
    int Run(const HostPage&, CControlModule&, const HostOptions&) override {
        std::cerr << "kiv-downloader: the window front-end is not built yet\n";
        return kExitFailure;
    }
};

}  // namespace

std::unique_ptr<IFrontEnd> MakeWindowFrontEnd() {
    return std::make_unique<CWindowFrontEnd>();
}

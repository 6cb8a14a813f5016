// kiv-downloader: the host program that plays the browser for the control.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "host/ExitStatus.h"
#include "host/HostProgram.h"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        auto makeFrontEnd = [](FrontEndKind kind) {
            return kind == FrontEndKind::Terminal ? MakeTerminalFrontEnd() : MakeWindowFrontEnd();
        };
        return RunHost(args, CurrentHostEnvironment(), makeFrontEnd, std::cout, std::cerr,
                       MakeBrowserFrontEnd);
    } catch (const std::exception& failure) {
        std::cerr << "kiv-downloader: " << failure.what() << "\n";
        return kExitFailure;
    }
}

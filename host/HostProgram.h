#pragma once
// kiv-downloader from its arguments to its exit status: options, then either
// a registration action, or the page, the control module and a front-end.
#include <ostream>
#include <string>
#include <vector>

#include "host/BrowserHostProgram.h"
#include "host/FrontEnd.h"

struct HostEnvironment {
    std::string defaultModule;  // the module installed with the program
    const char* display = nullptr;
    const char* waylandDisplay = nullptr;
};

// The environment of this process.
HostEnvironment CurrentHostEnvironment();

// `args` without the program name. Messages go to `out` (help, results) and
// `err` (problems, notes); every problem with the input ends in kExitFailure.
// `makeBrowserFrontEnd` serves --browser-host.
int RunHost(const std::vector<std::string>& args, const HostEnvironment& environment,
            const FrontEndFactory& makeFrontEnd, std::ostream& out, std::ostream& err,
            const BrowserFrontEndFactory& makeBrowserFrontEnd = {});

// kiv-downloader: the host program that plays the browser for the control.
#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "host/ExitStatus.h"
#include "host/FrontEnd.h"
#include "host/HostProgram.h"

namespace {

void IgnoreSignal(int) {}

// Output into a pipe whose reader has gone (`kiv-downloader ... | head -2`)
// is dropped instead of ending the run. A handler rather than SIG_IGN: the
// programs we start get the default back when they are executed.
void SurviveClosedOutput() {
    struct sigaction action {};
    action.sa_handler = IgnoreSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGPIPE, &action, nullptr);
}

}  // namespace

// GnuTLS comes in only through libcurl's RTMP and LDAP libraries, which we
// never let libcurl use (http and https only, over OpenSSL), and which set
// GnuTLS up themselves when they do need it. Its own set-up at load time
// costs about 1 MB of memory in every run: this is GnuTLS's documented way
// to skip it (GNUTLS_SKIP_GLOBAL_INIT), found because the program exports
// its symbols.
extern "C" int _gnutls_global_init_skip(void) {
    return 1;
}

int main(int argc, char** argv) {
    SurviveClosedOutput();
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        // The window's library (and with it Qt) is loaded only for a window.
        auto makeFrontEnd = [](FrontEndKind kind) {
            return kind == FrontEndKind::Terminal ? MakeTerminalFrontEnd()
                                                  : LoadWindowFrontEnd(std::cerr);
        };
        auto makeBrowserFrontEnd = [](CBrowserChannel& channel) {
            return LoadBrowserFrontEnd(channel, std::cerr);
        };
        return RunHost(args, CurrentHostEnvironment(), makeFrontEnd, std::cout, std::cerr,
                       makeBrowserFrontEnd);
    } catch (const std::exception& failure) {
        std::cerr << "kiv-downloader: " << failure.what() << "\n";
        return kExitFailure;
    }
}

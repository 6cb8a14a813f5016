#include "host/HostProgram.h"

#include <cstdlib>
#include <sstream>

#include "frontends/terminal/TerminalText.h"
#include "host/DestinationFolder.h"
#include "host/ExitStatus.h"
#include "host/ModuleLocation.h"
#include "host/PageLoader.h"
#include "host/ProtectedLayout.h"
#include "host/RegistrationTool.h"
#include "host/SessionCookies.h"
#include "platform/CodePage.h"

namespace {

constexpr const char* kProgram = "kiv-downloader: ";

// Messages may quote a page's address or a server's answer.
int Fail(std::ostream& err, const std::string& message) {
    err << kProgram << kivterm::VisibleControls(message, kivterm::Layout::Kept) << "\n";
    return kExitFailure;
}

int RunRegistration(const HostOptions& options, const HostEnvironment& environment,
                    std::ostream& out, std::ostream& err) {
    const std::string module = options.module.empty() ? environment.defaultModule : options.module;
    const bool registering = options.action == HostAction::Register;
    std::string error;
    if (!(registering ? RegisterModule(module, error) : UnregisterModule(module, error))) {
        return Fail(err, error);
    }
    // A module named here is the user's own choice: later runs may load it
    // wherever it lies.
    if (registering && !options.module.empty() && !MarkRegisteredModuleExplicit()) {
        return Fail(err, "cannot note " + module + " as the module chosen on the command line");
    }
    out << (registering ? "DllRegisterServer" : "DllUnregisterServer") << " in " << module
        << " succeeded.\n";
    return kExitSuccess;
}

// The command line's parameters in the process code page, ahead of the page's.
bool AddCommandLineParams(const HostOptions& options, HostPage& page, std::string& error) {
    HostPage::Params merged;
    for (const auto& [name, value] : options.params) {
        std::string processName;
        std::string processValue;
        if (!win::Utf8ToProcess(name, processName) || !win::Utf8ToProcess(value, processValue)) {
            error = "--param " + name + " has characters the process code page cannot hold";
            return false;
        }
        merged.emplace_back(std::move(processName), std::move(processValue));
    }
    merged.insert(merged.end(), page.params.begin(), page.params.end());
    page.params = std::move(merged);
    return true;
}

// The user's session for this run, in memory only.
bool TakeSession(const HostOptions& options, std::ostream& err, std::string& error) {
    win::inet::RunCredentials credentials;
    credentials.headers = options.headers;
    std::string warning;
    if (!options.cookieFile.empty() &&
        !LoadCookieFile(options.cookieFile, credentials.cookies, warning, error)) {
        error = "--load-cookies: " + error;
        return false;
    }
    if (!warning.empty()) err << kProgram << "warning: " << warning << "\n";
    win::inet::SetRunCredentials(std::move(credentials));
    return true;
}

int RunPage(const HostOptions& options, const HostEnvironment& environment,
            const FrontEndFactory& makeFrontEnd, std::ostream& err) {
    HostPage page;
    std::string error;
    if (!options.destination.empty() &&
        !EnsureDestinationFolder(options.destination, options.yes, TerminalYesNoQuestion(), error))
        return Fail(err, error);
    if (options.protectedMode && !EnterProtectedLayout(options, err, error))
        return Fail(err, error);
    if (!TakeSession(options, err, error)) return Fail(err, error);
    if (!options.page.empty() && !LoadPage(options.page, page, error)) return Fail(err, error);
    if (!AddCommandLineParams(options, page, error)) return Fail(err, error);
    // The first run registers the module by itself: worth a note only when
    // asked. A registration that was refused is always said.
    std::ostringstream quietNotes;
    std::ostream& notes = options.verbose ? err : quietNotes;
    const std::unique_ptr<CControlModule> module =
        OpenControlModule(environment.defaultModule, err, notes, error);
    if (!module) return Fail(err, error);
    const FrontEndKind kind =
        SelectFrontEnd(options.terminal, environment.display, environment.waylandDisplay);
    const std::unique_ptr<IFrontEnd> frontEnd = makeFrontEnd(kind);
    if (!frontEnd) return Fail(err, "no front-end to run the control");
    return frontEnd->Run(page, *module, options);
}

}  // namespace

HostEnvironment CurrentHostEnvironment() {
    return {DefaultModulePath(), std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY")};
}

int RunHost(const std::vector<std::string>& args, const HostEnvironment& environment,
            const FrontEndFactory& makeFrontEnd, std::ostream& out, std::ostream& err,
            const BrowserFrontEndFactory& makeBrowserFrontEnd) {
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(args, options, error)) {
        err << kProgram << error << "\nTry 'kiv-downloader --help'.\n";
        return kExitFailure;
    }
    switch (options.action) {
        case HostAction::Help:
            out << HostUsageText();
            return kExitSuccess;
        case HostAction::Version:
            out << HostVersionText();
            return kExitSuccess;
        case HostAction::Register:
        case HostAction::Unregister:
            return RunRegistration(options, environment, out, err);
        case HostAction::BrowserHost:
            return RunBrowserHost(environment, makeBrowserFrontEnd, err);
        case HostAction::InstallBrowserHost:
        case HostAction::UninstallBrowserHost:
            return InstallBrowserHostForUser(options.action == HostAction::InstallBrowserHost, out,
                                             err);
        case HostAction::Run:
            break;
    }
    return RunPage(options, environment, makeFrontEnd, err);
}

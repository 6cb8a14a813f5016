#include "host/BrowserHostProgram.h"

#include <limits.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "control/ErrorMessage.h"
#include "host/BrowserChannel.h"
#include "host/BrowserHostManifest.h"
#include "host/BrowserMessages.h"
#include "host/ExitStatus.h"
#include "host/HostProgram.h"
#include "host/ModuleLocation.h"
#include "host/ProtectedLayout.h"
#include "platform/RunCredentials.h"
#include "transfer/ErrorCodes.h"

using kivcontrol::ComposeErrorMessage;
using kivcontrol::ExistingFiles;
using kivcontrol::kPhaseStart;

using kivtransfer::ContentList;
using kivtransfer::ErrorState;

namespace {

constexpr const char* kProgram = "kiv-downloader: ";
// The browser sends the page's message as soon as it has started us.
constexpr int kStartMessageWaitMs = 30000;

int Fail(std::ostream& err, const std::string& message) {
    err << kProgram << message << "\n";
    return kExitFailure;
}

std::string RefusalText(const BrowserRefusal& refusal) {
    if (refusal.parameter.empty()) return {};
    ErrorState error;
    error.Set(errcode::kBadParameter);
    error.errorDetail = refusal.parameter;
    std::string text;
    ComposeErrorMessage(kPhaseStart, error, ContentList{}, text);
    return text;
}

// The first message: the page and its parameters, or a refusal sent back.
bool ReadStart(CBrowserChannel& channel, BrowserStart& start, std::ostream& err) {
    std::string text;
    std::string error;
    if (channel.Read(text, error, kStartMessageWaitMs) != NativeReadResult::Message) {
        err << kProgram << "no page came from the browser" << (error.empty() ? "" : ": ") << error
            << "\n";
        return false;
    }
    BrowserMessage message;
    BrowserRefusal refusal;
    if (!ParseBrowserMessage(text, message, refusal) || message.kind != BrowserMessageKind::Start) {
        if (refusal.reason.empty()) refusal.reason = "the first message is not the page's";
        err << kProgram << "refused: " << refusal.reason << "\n";
        channel.Send(EndMessage(BrowserRunResult::Refused, RefusalText(refusal), false));
        return false;
    }
    start = std::move(message.start);
    return true;
}

// The answers the browser's environment gives for the user, as the
// command line's --destination and --existing would.
void AnswersFromEnvironment(HostOptions& options, std::ostream& err) {
    if (const char* folder = std::getenv("KIVDL_DESTINATION"); folder != nullptr && *folder) {
        std::error_code failure;
        if (folder[0] == '/' && std::filesystem::is_directory(folder, failure)) {
            options.destination = std::filesystem::path(folder).lexically_normal().string();
        } else {
            err << kProgram << "KIVDL_DESTINATION is no absolute folder; the user is asked\n";
        }
    }
    const std::string existing = std::getenv("KIVDL_EXISTING") ? std::getenv("KIVDL_EXISTING") : "";
    if (existing == "resume") options.existing = ExistingFiles::Resume;
    if (existing == "restart") options.existing = ExistingFiles::Restart;
}

std::string ProgramPath() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace

int RunBrowserHost(const HostEnvironment& environment, const BrowserFrontEndFactory& makeFrontEnd,
                   std::ostream& err) {
    // A browser that went away must not end us before the run is recorded.
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    const std::unique_ptr<CBrowserChannel> channel = CBrowserChannel::TakeStandardStreams(error);
    if (!channel) return Fail(err, error);
    // This user's manifest may name a build tree or an older copy while the
    // package serves the browsers too: say which one runs.
    const std::string program = ProgramPath();
    if (const std::string installed = ShadowedInstalledProgram("/", program); !installed.empty()) {
        err << kProgram << "this is " << program << ", started through this user's manifest; "
            << "the installed program is " << installed
            << " (run 'kiv-downloader --uninstall-browser-host' to use it)\n";
    }
    BrowserStart start;
    if (!ReadStart(*channel, start, err)) return kExitFailure;
    // The tab's session: this process's memory only, reached by the
    // download worker (a thread of it), never written.
    win::inet::SetRunCredentials({std::move(start.cookies), {}});

    HostOptions options;
    options.protectedMode = true;
    AnswersFromEnvironment(options, err);
    const bool hasDisplay = SelectFrontEnd(false, environment.display,
                                           environment.waylandDisplay) == FrontEndKind::Window;
    std::unique_ptr<CControlModule> module;
    if (!hasDisplay) {
        error = "no display to show the download on";
    } else if (EnterProtectedLayout(options, err, error)) {
        module = OpenControlModule(environment.defaultModule, err, err, error);
    }
    const std::unique_ptr<IFrontEnd> frontEnd =
        module && makeFrontEnd ? makeFrontEnd(*channel) : nullptr;
    if (!frontEnd) {
        if (error.empty()) error = "no front end for the browser";
        channel->Send(EndMessage(BrowserRunResult::Failed, "Kiv Downloader: " + error, false));
        return Fail(err, error);
    }
    HostPage page;
    page.source = start.pageUrl;
    page.params = std::move(start.params);
    return frontEnd->Run(page, *module, options);
}

int InstallBrowserHostForUser(bool install, std::ostream& out, std::ostream& err) {
    const char* home = std::getenv("HOME");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string program = ProgramPath();
    const std::vector<HostManifestFile> manifests =
        UserHostManifests(home ? home : "", configHome ? configHome : "", program);
    if (manifests.empty() || program.empty()) {
        return Fail(err, "no home folder (HOME) or no path of this program");
    }
    if (install && SystemManifestsServe("/", program)) {
        out << "The package's system-wide manifests already start " << program
            << " for Chromium and Firefox; nothing written.\n";
        return kExitSuccess;
    }
    std::string error;
    const bool done = install ? InstallHostManifests(manifests, out, error)
                              : UninstallHostManifests(manifests, out, error);
    return done ? kExitSuccess : Fail(err, error);
}

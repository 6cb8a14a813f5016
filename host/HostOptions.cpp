#include "host/HostOptions.h"

#include <getopt.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/BrowserHostManifest.h"
#include "host/SessionCookies.h"

using kivcontrol::ExistingFiles;

namespace {

// Long options without a short form.
enum LongOnly : int {
    kParam = 256,
    kTerminal,
    kExisting,
    kNoOpen,
    kProtected,
    kRegister,
    kUnregister,
    kLog,
    kBrowserHost,
    kInstallBrowserHost,
    kUninstallBrowserHost,
    kLoadCookies,
    kHeader,
};

constexpr const char* kShortOptions = ":d:yqvhV";

constexpr option kLongOptions[] = {
    {"param", required_argument, nullptr, kParam},
    {"terminal", no_argument, nullptr, kTerminal},
    {"destination", required_argument, nullptr, 'd'},
    {"existing", required_argument, nullptr, kExisting},
    {"yes", no_argument, nullptr, 'y'},
    {"quiet", no_argument, nullptr, 'q'},
    {"verbose", no_argument, nullptr, 'v'},
    {"log", required_argument, nullptr, kLog},
    {"no-open", no_argument, nullptr, kNoOpen},
    {"load-cookies", required_argument, nullptr, kLoadCookies},
    {"header", required_argument, nullptr, kHeader},
    {"protected", no_argument, nullptr, kProtected},
    {"register", no_argument, nullptr, kRegister},
    {"unregister", no_argument, nullptr, kUnregister},
    {"browser-host", no_argument, nullptr, kBrowserHost},
    {"install-browser-host", no_argument, nullptr, kInstallBrowserHost},
    {"uninstall-browser-host", no_argument, nullptr, kUninstallBrowserHost},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

bool ParseParam(const std::string& text, HostOptions& options, std::string& error) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        error = "--param needs NAME=VALUE, got '" + text + "'";
        return false;
    }
    options.params.emplace_back(text.substr(0, equals), text.substr(equals + 1));
    return true;
}

// A folder that is not there yet is made before the run (host/DestinationFolder.h).
bool ParseDestination(const std::string& text, HostOptions& options, std::string& error) {
    std::error_code failure;
    const std::filesystem::file_status status = std::filesystem::status(text, failure);
    if (text.empty() ||
        (std::filesystem::exists(status) && !std::filesystem::is_directory(status))) {
        error = "--destination '" + text + "' is not a folder";
        return false;
    }
    options.destination = std::filesystem::absolute(text, failure).lexically_normal().string();
    return true;
}

bool ParseExisting(const std::string& text, HostOptions& options, std::string& error) {
    if (text == "resume") {
        options.existing = ExistingFiles::Resume;
    } else if (text == "restart") {
        options.existing = ExistingFiles::Restart;
    } else {
        error = "--existing takes resume or restart, got '" + text + "'";
        return false;
    }
    return true;
}

bool SetAction(HostAction action, HostOptions& options, std::string& error) {
    if (options.action != HostAction::Run) {
        error = "--register and --unregister exclude each other";
        return false;
    }
    options.action = action;
    return true;
}

// The option's name as the user wrote it, for messages.
std::string WrittenName(const std::string& arg) {
    return arg.substr(0, arg.find('='));
}

// What getopt_long refused: `arg` is the argument it stopped at.
std::string RefusalText(int result, int shortOption, const std::string& arg) {
    const bool longForm = arg.starts_with("--");
    const std::string name =
        longForm ? WrittenName(arg) : std::string("-") + static_cast<char>(shortOption);
    if (result == ':') return name + " needs a value";
    if (longForm && arg.find('=') != std::string::npos) {
        for (const option& known : kLongOptions) {
            if (known.name != nullptr && name == std::string("--") + known.name) {
                return name + " takes no value";
            }
        }
    }
    return "unknown option " + name;
}

// One option (with its value); false with `error` set.
bool ApplyOption(int code, const char* value, HostOptions& options, std::string& error) {
    switch (code) {
        case kParam:
            return ParseParam(value, options, error);
        case 'd':
            return ParseDestination(value, options, error);
        case kExisting:
            return ParseExisting(value, options, error);
        case kLog:
            options.logFile = value;
            return true;
        case kLoadCookies:
            options.cookieFile = value;
            return true;
        case kHeader: {
            std::string line;
            if (!ParseExtraHeader(value, line, error)) return false;
            options.headers.push_back(std::move(line));
            return true;
        }
        case kRegister:
            return SetAction(HostAction::Register, options, error);
        case kUnregister:
            return SetAction(HostAction::Unregister, options, error);
        case kBrowserHost:
            return SetAction(HostAction::BrowserHost, options, error);
        case kInstallBrowserHost:
            return SetAction(HostAction::InstallBrowserHost, options, error);
        case kUninstallBrowserHost:
            return SetAction(HostAction::UninstallBrowserHost, options, error);
        default:
            break;
    }
    bool* flag = code == kTerminal    ? &options.terminal
                 : code == 'y'        ? &options.yes
                 : code == 'q'        ? &options.quiet
                 : code == 'v'        ? &options.verbose
                 : code == kNoOpen    ? &options.noOpen
                 : code == kProtected ? &options.protectedMode
                                      : nullptr;
    if (flag != nullptr) *flag = true;
    return flag != nullptr;
}

bool CheckOperands(const std::vector<std::string>& operands, HostOptions& options,
                   std::string& error) {
    const bool registration =
        options.action == HostAction::Register || options.action == HostAction::Unregister;
    if (options.action != HostAction::Run) {
        // --register [MODULE]: the module is the one operand; the browser
        // host options take none.
        if (operands.size() > (registration ? 1u : 0u) || !options.params.empty()) {
            error =
                "--register, --unregister and the browser host options take no page and no "
                "--param";
            return false;
        }
        if (!operands.empty()) options.module = operands.front();
        return true;
    }
    if (operands.size() > 1) {
        error = "more than one page given: '" + operands[0] + "' and '" + operands[1] + "'";
        return false;
    }
    if (!operands.empty()) options.page = operands.front();
    if (options.page.empty() && options.params.empty()) {
        error = "no page given (a local HTML file or an http(s) URL) and no --param";
        return false;
    }
    return true;
}

// How Chromium and Firefox start a native messaging host.
bool IsBrowserLaunch(const std::vector<std::string>& args) {
    if (!args.empty() && args[0].starts_with("chrome-extension://")) return true;
    return args.size() == 2 && args[0].ends_with(".json") && args[1] == kFirefoxExtensionId;
}

}  // namespace

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& options,
                      std::string& error) {
    options = HostOptions{};
    if (IsBrowserLaunch(args)) {
        options.action = HostAction::BrowserHost;
        return true;
    }
    std::vector<std::string> storage;
    storage.reserve(args.size() + 1);
    storage.emplace_back("kiv-downloader");
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());

    optind = 0;  // a fresh scan (glibc), as each call parses a new command line
    opterr = 0;
    for (;;) {
        const int before = optind == 0 ? 1 : optind;
        const int code = getopt_long(argc, argv.data(), kShortOptions, kLongOptions, nullptr);
        if (code == -1) break;
        if (code == 'h' || code == 'V') {
            options.action = code == 'h' ? HostAction::Help : HostAction::Version;
            return true;
        }
        if (code == '?' || code == ':') {
            const int at = std::min(std::max(optind - 1, before), argc - 1);
            error = RefusalText(code, optopt, argv[static_cast<std::size_t>(at)]);
            return false;
        }
        if (!ApplyOption(code, optarg, options, error)) return false;
    }
    // getopt_long moved the operands behind the options.
    const std::vector<std::string> operands(argv.begin() + optind, argv.begin() + argc);
    return CheckOperands(operands, options, error);
}

std::string HostUsageText() {
    return "Usage: kiv-downloader [OPTIONS] PAGE\n"
           "\n"
           "Downloads the files a web page offers through the Kiv Downloader control:\n"
           "asks where to save them, resumes what an earlier run left, checks each\n"
           "file's SHA-256 when the page gives one. PAGE is an http(s) URL or a local\n"
           "HTML file. In a window when there is a display, else in the terminal.\n"
           "\n"
           "Example:\n"
           "  kiv-downloader -d ~/Downloads -y https://example.com/downloads.html\n"
           "\n"
           "Where and how:\n"
           "  -d, --destination DIR   download into DIR instead of asking; a missing DIR\n"
           "                          is made after asking (at once with --yes)\n"
           "  -y, --yes               go on without asking: resume what can be resumed,\n"
           "                          restart the rest, take the defaults that continue\n"
           "      --existing resume|restart\n"
           "                          what to do with files of the same names already there\n"
           "      --terminal          run in the terminal even with a display\n"
           "      --no-open           do not open the destination folder at the end\n"
           "      --param NAME=VALUE  a control parameter; repeatable; takes precedence\n"
           "                          over the page's parameter of the same name (also\n"
           "                          without PAGE: kiv-downloader --param contentscount=1\n"
           "                          --param curl1=URL)\n"
           "\n"
           "Behind a login:\n"
           "      --load-cookies FILE send the cookies of FILE (the Netscape format that\n"
           "                          browsers' exporters, curl and wget write) to the\n"
           "                          servers they belong to; kept in memory only,\n"
           "                          never written\n"
           "      --header 'NAME: VALUE'\n"
           "                          send this header line too; repeatable; only to the\n"
           "                          first request's server, never after a redirect to\n"
           "                          another (not Host, Range, If-Range or hop-by-hop)\n"
           "\n"
           "What it shows:\n"
           "  -q, --quiet             show only errors and the final summary\n"
           "  -v, --verbose           show each HTTP request and answer (status,\n"
           "                          Content-Length, Last-Modified) and the host's notes\n"
           "      --log FILE          append the run's account and its HTTP exchange to\n"
           "                          FILE, with times\n"
           "  -h, --help              show this text\n"
           "  -V, --version           show the program's version\n"
           "\n"
           "Options also take their value as OPTION=VALUE and may follow PAGE.\n"
           "\n"
           "In the terminal, the progress, the file events, messages and questions go to\n"
           "the standard error; the standard output gets only the final summary, one line\n"
           "per file (name, size, \"SHA-256 verified\", \"not checked\" or \"broken,\n"
           "deleted\", path) and a total line. Without a terminal to ask, give\n"
           "--destination (or --yes). Ctrl+C cancels; the next run resumes.\n"
           "\n"
           "Exit status:\n"
           "  0  success: the download run completed, or the requested action succeeded\n"
           "  1  the user cancelled the run, or SIGTERM or SIGHUP ended it (the partial\n"
           "     file is kept for the next run to resume)\n"
           "  2  failure: the run failed, or the command line or the page was unusable\n"
           "\n"
           "For developers and browser integration:\n"
           "  kiv-downloader --register [MODULE] | --unregister [MODULE]\n"
           "  kiv-downloader --browser-host | --install-browser-host |\n"
           "                 --uninstall-browser-host\n"
           "      --protected         run as in a browser's protected mode: the assistant\n"
           "                          program next to the module chooses the destination\n"
           "                          (from --destination and --existing when given) and\n"
           "                          places the files; the download worker may write\n"
           "                          only to its work folders\n"
           "      --register [MODULE] register the control module (default: the\n"
           "                          kivdownloadcontrol.so installed with this program)\n"
           "      --unregister [MODULE]\n"
           "                          remove the module's registration\n"
           "      --browser-host      serve the Kiv Downloader browser extension over\n"
           "                          native messaging on standard input and output (the\n"
           "                          browser starts the program this way)\n"
           "      --install-browser-host\n"
           "                          let Chromium and Firefox start this program for the\n"
           "                          extension: writes this user's native messaging\n"
           "                          manifests\n"
           "      --uninstall-browser-host\n"
           "                          removes them\n"
           "\n"
           "The page's <object> names the control by its classid\n"
           "\"clsid:{7126E9C3-57EE-4EBA-A6AC-286C10450471}\" or the ProgID\n"
           "KIVDOWNLOADCONTR.KivDownloadContrCtrl.1; its <param> elements are the\n"
           "control's parameters. The control module is found through its registration\n"
           "in the settings store ($XDG_CONFIG_HOME/kiv-downloader/user.reg), and loaded\n"
           "only from this program's folder or PREFIX/lib/kiv-downloader, or as the\n"
           "MODULE that --register named; when the control is not registered yet, or\n"
           "registered elsewhere, the module installed with this program is registered\n"
           "first: the one next to it, else the one in ../lib/kiv-downloader/.\n";
}

std::string HostVersionText() {
    return std::string("kiv-downloader ") + KIV_VERSION + "\n";
}

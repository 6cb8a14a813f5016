#include "host/HostOptions.h"

#include <filesystem>
#include <system_error>

#include "host/BrowserHostManifest.h"

namespace {

class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}

    bool Done() const { return index_ >= args_.size(); }
    const std::string& Next() { return args_[index_++]; }
    // The value of an option: "--name=value" or the next argument.
    bool Value(const std::string& option, const std::string& inlineValue, bool hasInline,
               std::string& value, std::string& error) {
        if (hasInline) {
            value = inlineValue;
            return true;
        }
        if (Done()) {
            error = option + " needs a value";
            return false;
        }
        value = Next();
        return true;
    }
    // An optional operand that follows an option, when it is no option itself.
    bool OptionalOperand(std::string& value) {
        if (Done() || args_[index_].starts_with("-")) return false;
        value = Next();
        return true;
    }

private:
    const std::vector<std::string>& args_;
    std::size_t index_ = 0;
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

bool ParseDestination(const std::string& text, HostOptions& options, std::string& error) {
    std::error_code failure;
    if (text.empty() || !std::filesystem::is_directory(text, failure)) {
        error = "--destination '" + text + "' is not an existing folder";
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
        error =
            "--register, --unregister, --browser-host, --install-browser-host and "
            "--uninstall-browser-host exclude each other";
        return false;
    }
    options.action = action;
    return true;
}

// One option (with its value); false with `error` set.
bool ParseOption(const std::string& arg, ArgumentReader& reader, HostOptions& options,
                 std::string& error) {
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const bool hasInline = equals != std::string::npos;
    const std::string inlineValue = hasInline ? arg.substr(equals + 1) : std::string();
    std::string value;
    if (name == "--param" || name == "--destination" || name == "--existing") {
        if (!reader.Value(name, inlineValue, hasInline, value, error)) return false;
        if (name == "--param") return ParseParam(value, options, error);
        if (name == "--destination") return ParseDestination(value, options, error);
        return ParseExisting(value, options, error);
    }
    if (hasInline) {
        error = name + " takes no value";
        return false;
    }
    if (name == "--register" || name == "--unregister") {
        if (!SetAction(name == "--register" ? HostAction::Register : HostAction::Unregister,
                       options, error)) {
            return false;
        }
        reader.OptionalOperand(options.module);
        return true;
    }
    if (name == "--browser-host") return SetAction(HostAction::BrowserHost, options, error);
    if (name == "--install-browser-host") {
        return SetAction(HostAction::InstallBrowserHost, options, error);
    }
    if (name == "--uninstall-browser-host") {
        return SetAction(HostAction::UninstallBrowserHost, options, error);
    }
    bool* flag = name == "--terminal"    ? &options.terminal
                 : name == "--yes"       ? &options.yes
                 : name == "--no-open"   ? &options.noOpen
                 : name == "--protected" ? &options.protectedMode
                                         : nullptr;
    if (flag == nullptr) {
        error = "unknown option " + name;
        return false;
    }
    *flag = true;
    return true;
}

bool CheckCombination(const HostOptions& options, std::string& error) {
    if (options.action == HostAction::Run) {
        if (options.page.empty() && options.params.empty()) {
            error = "no page given (a local HTML file or an http(s) URL) and no --param";
            return false;
        }
        return true;
    }
    if (!options.page.empty() || !options.params.empty()) {
        error = "--register, --unregister and the browser host options take no page and no --param";
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
    ArgumentReader reader(args);
    bool optionsEnded = false;
    bool havePage = false;
    while (!reader.Done()) {
        const std::string& arg = reader.Next();
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            options.action = HostAction::Help;
            return true;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.starts_with("-")) {
            if (!ParseOption(arg, reader, options, error)) return false;
        } else if (!havePage) {
            options.page = arg;
            havePage = true;
        } else {
            error = "more than one page given: '" + options.page + "' and '" + arg + "'";
            return false;
        }
    }
    return CheckCombination(options, error);
}

std::string HostUsageText() {
    return "Usage: kiv-downloader [OPTIONS] PAGE\n"
           "       kiv-downloader [OPTIONS] --param NAME=VALUE...\n"
           "       kiv-downloader --register [MODULE] | --unregister [MODULE]\n"
           "       kiv-downloader --install-browser-host | --uninstall-browser-host\n"
           "\n"
           "Runs the Kiv Downloader control that PAGE embeds, as the browser would.\n"
           "PAGE is a local HTML file or an http(s) URL; its <object> naming the control\n"
           "(classid \"clsid:{7126E9C3-57EE-4EBA-A6AC-286C10450471}\" or the ProgID\n"
           "KIVDOWNLOADCONTR.KivDownloadContrCtrl.1) gives the control's parameters.\n"
           "\n"
           "Options:\n"
           "  --param NAME=VALUE   a control parameter; repeatable; takes precedence over\n"
           "                       the page's parameter of the same name\n"
           "  --terminal           run in the terminal (also without DISPLAY and\n"
           "                       WAYLAND_DISPLAY); otherwise in a window\n"
           "  --destination DIR    download into DIR instead of asking\n"
           "  --existing resume|restart\n"
           "                       what to do with files of the same names already there\n"
           "  --yes                answer the run's questions with their default\n"
           "  --no-open            do not open the destination folder at the end\n"
           "  --protected          run as in a browser's protected mode: the assistant\n"
           "                       program next to the module chooses the destination\n"
           "                       (from --destination and --existing when given) and\n"
           "                       places the files; the download worker may write only\n"
           "                       to its work folders\n"
           "  --register [MODULE]  register the control module (default: the\n"
           "                       kivdownloadcontrol.so installed with this program)\n"
           "  --unregister [MODULE]\n"
           "                       remove the module's registration\n"
           "  --browser-host       serve the Kiv Downloader browser extension over native\n"
           "                       messaging on standard input and output (the browser\n"
           "                       starts the program this way)\n"
           "  --install-browser-host\n"
           "                       let Chromium and Firefox start this program for the\n"
           "                       extension: writes this user's native messaging\n"
           "                       manifests\n"
           "  --uninstall-browser-host\n"
           "                       removes them\n"
           "  -h, --help           show this text\n"
           "\n"
           "The control module is found through its registration in the settings store\n"
           "($XDG_CONFIG_HOME/kiv-downloader/user.reg), and loaded only from this\n"
           "program's folder or PREFIX/lib/kiv-downloader, or as the MODULE that\n"
           "--register named; when the control is not registered yet, or registered\n"
           "elsewhere, the module installed with this program is registered first: the\n"
           "one next to it, else the one in ../lib/kiv-downloader/.\n"
           "\n"
           "Exit status:\n"
           "  0  success: the download run completed, or the requested action succeeded\n"
           "  1  the user cancelled the run, or SIGTERM or SIGHUP ended it (the partial\n"
           "     file is kept for the next run to resume)\n"
           "  2  failure: the run failed, or the command line or the page was unusable\n";
}

#pragma once
// The command line of kiv-downloader.
#include <string>
#include <utility>
#include <vector>

#include "control/ExistingFiles.h"

enum class HostAction {
    Run,                   // load the page and run the control
    Register,              // run the module's DllRegisterServer
    Unregister,            // run the module's DllUnregisterServer
    BrowserHost,           // serve the browser extension on standard input and output
    InstallBrowserHost,    // write the browsers' per-user native messaging manifests
    UninstallBrowserHost,  // remove them
    Help,
    Version,
};

struct HostOptions {
    HostAction action = HostAction::Run;
    std::string page;  // a local HTML file or an http(s) URL; may be empty with --param
    std::vector<std::pair<std::string, std::string>> params;  // --param, in order
    std::string
        module;  // --register/--unregister MODULE; empty: the one installed with the program
    bool terminal = false;
    std::string destination;  // --destination, absolute; empty: ask
    kivcontrol::ExistingFiles existing = kivcontrol::ExistingFiles::Ask;
    bool yes = false;            // answer the run's questions with their default
    bool noOpen = false;         // do not open the destination folder at the end
    bool protectedMode = false;  // run with the assistant program, the worker confined
    bool quiet = false;          // only errors and the summary
    bool verbose = false;        // the HTTP exchange and notes of the host too
    std::string logFile;         // --log: a copy of the run's account; empty: none
    std::string cookieFile;      // --load-cookies: a Netscape cookie file; empty: none
    std::vector<std::string> headers;  // --header lines, checked, in order
};

// Parses argv[1..] as getopt_long does (short options, --name=value,
// options after the page, "--"). The browsers start the native messaging
// host with arguments of their own (Chromium: the calling extension's
// origin; Firefox: the manifest's path and the extension's id): those mean
// --browser-host too. False with `error` (one line, no program name) when
// the command line cannot be used.
bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& options,
                      std::string& error);

// The --help text, with the exit statuses.
std::string HostUsageText();
// The --version text.
std::string HostVersionText();

#pragma once
// The download dialog's fixed labels, which its template (not the string
// table) carries, and the proxy question's, for the terminal: in the user's language and the
// process code page.
#include <string>

namespace kivterm {

struct TerminalLabels {
    std::string currentProgress;  // "Currently progress"
    std::string overallProgress;  // "Overall progress"
    std::string transferSpeed;    // "Transfer speed"
    std::string aboutLink;        // "About Kiv Downloader"
    // The proxy question's fields, as the Qt front end's credential dialog names them.
    std::string userName;  // "User name"
    std::string password;  // "Password"
};

TerminalLabels LoadTerminalLabels();

}  // namespace kivterm

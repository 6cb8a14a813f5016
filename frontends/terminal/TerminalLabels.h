#pragma once
// The download dialog's fixed labels, which its template (not the string
// table) carries, and the proxy question's, for the terminal: in the user's language and the
// process code page.
#include <initializer_list>
#include <string>

#include "resources/FormatArg.h"

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

// One of the terminal's own texts from the string table, in the user's
// language, formatted with UTF-8 arguments: UTF-8 throughout.
std::string TerminalString(unsigned id, std::initializer_list<res::FormatArg> args = {});

}  // namespace kivterm

#pragma once
// The proxy's password question on the terminal: the reason (string 242),
// then the user name and the password (typed without echo on a terminal).
// Nobody to ask, or --yes: refused, so the transfer fails with the proxy's 407.
#include <string>

#include "control/ControlServices.h"
#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalOptions.h"

namespace kivterm {

class CTerminalProxyPrompt : public kivcontrol::IProxyCredentialPrompt {
public:
    CTerminalProxyPrompt(CTerminalConsole& console, const TerminalOptions& options)
        : console_(console), options_(options) {}

    bool AskProxyCredentials(win::HWND owner, std::string& user, std::string& password) override;

private:
    CTerminalConsole& console_;
    const TerminalOptions options_;
};

}  // namespace kivterm

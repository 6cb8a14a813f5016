#pragma once
// kiv-downloader as the browser extension's native messaging host, and the
// per-user set-up that lets the browsers start it.
#include <functional>
#include <memory>
#include <ostream>

#include "host/FrontEnd.h"

class CBrowserChannel;
struct HostEnvironment;

// The window front end for a page in the browser: it runs the control and
// reports the run's end on the channel (frontends/window/BrowserFrontEnd.cpp).
using BrowserFrontEndFactory = std::function<std::unique_ptr<IFrontEnd>(CBrowserChannel&)>;

// --browser-host: takes over standard input and output for the channel,
// reads the page's start message and checks it (a refusal is reported on
// the channel, with the control's own error text where it names a
// parameter), then runs the control in the protected layout in a window.
// The assistant program chooses the destination; KIVDL_DESTINATION and
// KIVDL_EXISTING, when the browser was started with them, answer for the user.
int RunBrowserHost(const HostEnvironment& environment, const BrowserFrontEndFactory& makeFrontEnd,
                   std::ostream& err);

// --install-browser-host and --uninstall-browser-host for this user.
int InstallBrowserHostForUser(bool install, std::ostream& out, std::ostream& err);

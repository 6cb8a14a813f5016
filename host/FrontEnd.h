#pragma once
// The part of the host that plays the browser window: it creates the control
// from the module with its services, hands it the page's parameters, runs the
// message loop until the run ends and answers the exit status (ExitStatus.h).
// Two implement it: the terminal front-end and the Qt window front-end
// (frontends/window/).
#include <functional>
#include <memory>
#include <ostream>

#include "control/ParamTagBag.h"
#include "host/ControlModule.h"
#include "host/HostOptions.h"
#include "host/HostPage.h"

class CBrowserChannel;

class IFrontEnd {
public:
    virtual ~IFrontEnd() = default;
    // `page.params` holds the command line's --param pairs first, then the
    // page's, ready for CParamTagBag (the first of a name wins).
    virtual int Run(const HostPage& page, CControlModule& module, const HostOptions& options) = 0;
};

enum class FrontEndKind { Terminal, Window };

// The terminal when asked for (--terminal) or when there is no display
// (DISPLAY and WAYLAND_DISPLAY unset or empty), else the window.
FrontEndKind SelectFrontEnd(bool terminalRequested, const char* display,
                            const char* waylandDisplay);

using FrontEndFactory = std::function<std::unique_ptr<IFrontEnd>(FrontEndKind)>;

// The terminal front-end (frontends/terminal/TerminalFrontEnd.cpp). The window front ends
// are in a library of their own (frontends/window/loader/WindowFrontEndLibrary.h).
std::unique_ptr<IFrontEnd> MakeTerminalFrontEnd();

// The window and the browser's window front ends from the library; null
// after writing why to `err`.
std::unique_ptr<IFrontEnd> LoadWindowFrontEnd(std::ostream& err);
std::unique_ptr<IFrontEnd> LoadBrowserFrontEnd(CBrowserChannel& channel, std::ostream& err);

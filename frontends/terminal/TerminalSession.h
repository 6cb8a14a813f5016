#pragma once
// One run of kiv-downloader's terminal front end: the control's services on
// the terminal (boxes, folder prompt, live download display, a browser
// without a page, a launcher that prints) and the plain message loop that
// runs one control on the calling thread, with Ctrl+C as the dialog's Cancel.
//
// Exit status: 0 when the run completed (CTLM_RUNDONE), 1 when it was
// cancelled (error code 1), 2 for every other error code.
#include <functional>
#include <memory>

#include "control/ControlServices.h"
#include "control/ControlTimings.h"
#include "control/PropertyBag.h"
#include "frontends/terminal/TerminalIo.h"
#include "frontends/terminal/TerminalOptions.h"

namespace kivterm {

class CTerminalConsole;
class CTerminalCancel;
class CTerminalLauncher;

// errorCode of the control after its loop ended; `completed`: CTLM_RUNDONE arrived.
int ExitStatusFor(int errorCode, bool completed);

// Lets messages posted to the calling thread gather for up to `ms`; a
// message sent to one of its windows is served at once and ends the wait, so
// a worker's send (a few per file) never waits for the gathering.
void GatherPostedMessages(win::DWORD ms);

// The control as the terminal drives it, on the calling thread: the module's
// control in the program, the control linked in for tests.
class ITerminalControl {
public:
    virtual ~ITerminalControl() = default;
    virtual void LoadProperties(const kivcontrol::IPropertyBag& page) = 0;
    // The control's top-level window, which starts the run; null when none could be made.
    virtual win::HWND CreateControlWindow() = 0;
    virtual int ErrorCode() = 0;
    // Tears the control down; `released` runs once it no longer uses the services.
    virtual void Close(std::function<void()> released) = 0;
};

using TerminalControlMaker =
    std::function<std::unique_ptr<ITerminalControl>(const kivcontrol::ControlServices& services)>;

// The control of this tree, linked in.
TerminalControlMaker LinkedControl(const kivcontrol::ControlTimings& timings = {});

class CTerminalSession {
public:
    CTerminalSession(const TerminalIo& io, const TerminalOptions& options);
    ~CTerminalSession();
    CTerminalSession(const CTerminalSession&) = delete;
    CTerminalSession& operator=(const CTerminalSession&) = delete;

    // Creates the control with this front end's services, loads the page's
    // parameters, creates its window (which starts the run) and serves the
    // loop until the run has ended; then closes the control. Returns the exit
    // status; 2 when no control could be made.
    int Run(const TerminalControlMaker& makeControl, const kivcontrol::IPropertyBag& page);

    kivcontrol::ControlServices Services() const;
    CTerminalConsole& Console();
    CTerminalCancel& Cancel();
    CTerminalLauncher& Launcher();

private:
    struct Parts;
    // Shared with the control's release: a worker that outlives Run keeps them.
    std::shared_ptr<Parts> parts_;
};

}  // namespace kivterm

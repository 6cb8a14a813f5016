#pragma once
// The window front end of kiv-downloader: a Qt top-level window that plays
// the browser. It shows the page's title and, in the page, the control's
// object at the object's size with the download dialog over it; the
// control's services are Qt's (message boxes, folder dialog, proxy
// password), the window itself is the browser (WindowBrowserHost.h).
// Closing the window is leaving the page (WindowSession.h); the control's
// quit request at the end of the run closes it too, and Run answers the
// run's exit status (ExitStatus.h).
//
// Options used: --destination answers the first folder dialog; --no-open
// keeps the file manager shut after a successful run (as does the lack of a
// display).
#include <memory>
#include <string>

#include "control/ControlServices.h"
#include "control/module/ComPtr.h"
#include "control/module/KivDownloadControlApi.h"
#include "frontends/window/WindowSession.h"
#include "host/FrontEnd.h"

class CWindowFrame;
class IWindowPageLink;

// What a caller may put in place of the desktop's own parts (tests), and
// the page in a browser (the browser host).
struct WindowFrontEndParts {
    kivcontrol::IFolderBrowser* folderDialog = nullptr;  // null: Qt's folder dialog
    kivcontrol::ILauncher* programs = nullptr;           // null: CProcessLauncher
    WindowSessionTimings timings;
    IWindowPageLink* pageLink = nullptr;  // null: the page is the window
};

class CWindowFrontEnd : public IFrontEnd {
public:
    explicit CWindowFrontEnd(WindowFrontEndParts parts = {}) : parts_(parts) {}

    // Creates the control from `module` and runs it in the window.
    int Run(const HostPage& page, CControlModule& module, const HostOptions& options) override;
    // The same with a control made by the caller.
    int RunControl(const HostPage& page, com::ComPtr<com::IKivDownloadControl> control,
                   const HostOptions& options);

    // While a run is on: its window and session (null otherwise).
    CWindowFrame* Frame() const { return frame_; }
    CWindowSession* Session() const { return session_; }

private:
    struct Services;

    int RunInWindow(const HostPage& page, com::ComPtr<com::IKivDownloadControl> control,
                    const HostOptions& options);

    WindowFrontEndParts parts_;
    CWindowFrame* frame_ = nullptr;
    CWindowSession* session_ = nullptr;
};

// The window's title: the page's title, else where the page came from, else the product name.
std::string WindowTitleFor(const HostPage& page);

// The window front end, and the window front end for a page in the browser,
// which reports the run's end on `channel` (BrowserFrontEnd.cpp).
class CBrowserChannel;
std::unique_ptr<IFrontEnd> MakeWindowFrontEnd();
std::unique_ptr<IFrontEnd> MakeBrowserFrontEnd(CBrowserChannel& channel);

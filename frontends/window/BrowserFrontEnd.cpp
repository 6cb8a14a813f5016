// The window front end for a page in the browser: the run is the window
// front end's, with the page linked to the browser; its end is reported on
// the channel for the page's placeholder.
#include "frontends/window/BrowserPageLink.h"
#include "frontends/window/WindowFrontEnd.h"
#include "host/BrowserChannel.h"
#include "host/FrontEnd.h"

namespace {

class CBrowserFrontEnd : public IFrontEnd {
public:
    explicit CBrowserFrontEnd(CBrowserChannel& channel) : channel_(channel) {}

    int Run(const HostPage& page, CControlModule& module, const HostOptions& options) override {
        CBrowserPageLink link(channel_);
        WindowFrontEndParts parts;
        parts.pageLink = &link;
        CWindowFrontEnd window(parts);
        const int status = window.Run(page, module, options);
        channel_.Send(link.EndReport(status));
        return status;
    }

private:
    CBrowserChannel& channel_;
};

}  // namespace

std::unique_ptr<IFrontEnd> MakeBrowserFrontEnd(CBrowserChannel& channel) {
    return std::make_unique<CBrowserFrontEnd>(channel);
}

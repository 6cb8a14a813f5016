#include "frontends/terminal/TerminalBrowserHost.h"

#include "platform/Message.h"

using kivcontrol::IPageEvents;

namespace kivterm {

std::int32_t CTerminalBrowserHost::ConnectPageEvents(IPageEvents& /*sink*/, std::uint32_t& cookie) {
    cookie = 1;  // no page sends events; any cookie but 0 reads as connected
    return kOk;
}

bool CTerminalBrowserHost::Quit() {
    quitRequested_ = true;
    win::PostQuitMessage(0);
    return true;
}

bool CTerminalBrowserHost::OpenBrowserWindow(const std::string& url) {
    return launcher_.Launch({"xdg-open", url});
}

}  // namespace kivterm

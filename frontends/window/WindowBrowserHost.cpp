#include "frontends/window/WindowBrowserHost.h"

#include <utility>

using kivcontrol::IPageEvents;

std::optional<std::string> CWindowBrowserHost::FireBeforeUnload() {
    leaveText_.reset();
    if (sink_ == nullptr) return std::nullopt;
    eventCurrent_ = true;
    sink_->OnBeforeUnload();
    eventCurrent_ = false;
    return std::exchange(leaveText_, std::nullopt);
}

void CWindowBrowserHost::FireUnload() {
    if (sink_ != nullptr) sink_->OnUnload();
}

std::int32_t CWindowBrowserHost::ConnectPageEvents(IPageEvents& sink, std::uint32_t& cookie) {
    sink_ = &sink;
    cookie = kPageEventsCookie;
    return kOk;
}

void CWindowBrowserHost::DisconnectPageEvents(std::uint32_t cookie) {
    if (cookie == kPageEventsCookie) sink_ = nullptr;
}

void CWindowBrowserHost::BringToForeground() {
    if (actions_.bringToFront) actions_.bringToFront();
}

bool CWindowBrowserHost::SetBeforeUnloadText(const std::string& text) {
    if (!eventCurrent_) return false;
    leaveText_ = text;
    return true;
}

bool CWindowBrowserHost::Quit() {
    if (!actions_.quit) return false;
    actions_.quit();
    return true;
}

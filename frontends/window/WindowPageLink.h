#pragma once
// A page that lives outside the window, in a browser (the browser host):
// the window front end tells it when the control's session has started and
// when it is over, and shows it every message box the control opens, since
// the run's closing message belongs in the page too.
#include <string>

class CWindowSession;

class IWindowPageLink {
public:
    virtual ~IWindowPageLink() = default;
    // The control is created and its window made (window thread).
    virtual void SessionStarted(CWindowSession& session) = 0;
    // A box of the control, about to be shown (any thread; process code page).
    virtual void MessageShown(const std::string& text, unsigned style) = 0;
    // The control is gone; the session goes next (window thread).
    virtual void SessionEnded(CWindowSession& session) = 0;
};

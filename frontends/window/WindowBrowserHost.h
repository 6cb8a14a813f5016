#pragma once
// The browser's part when the host is a desktop window: the page is the
// window, so the page connection always succeeds. The window fires the page's
// events itself when it is closed (FireBeforeUnload, FireUnload); a leave
// text from the control is taken only while beforeunload is being fired, as
// a browser takes it only from the current event. Quitting and bringing the
// browser to the front are handed to the window. Window thread only, except
// IsLeaveQuestionOpen.
#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "control/ControlServices.h"

class CWindowBrowserHost : public kivcontrol::IBrowserHost {
public:
    struct Actions {
        std::function<void()> bringToFront;
        std::function<void()> quit;  // called from the control's handler: defer the work
    };

    void SetActions(Actions actions) { actions_ = std::move(actions); }
    // The window that stands for the browser's top-level window.
    void SetTopLevelWindow(win::HWND window) { topLevel_ = window; }

    // The page's events as the browser fires them. FireBeforeUnload returns
    // the text the control set for the leave question, if it set one.
    std::optional<std::string> FireBeforeUnload();
    void FireUnload();
    bool PageEventsConnected() const { return sink_ != nullptr; }
    void SetLeaveQuestionOpen(bool open) { leaveQuestionOpen_ = open; }

    bool HasClientSite() override { return true; }
    std::int32_t QueryServiceProvider() override { return kOk; }
    std::int32_t QueryBrowser() override { return kOk; }
    std::int32_t QueryDocument() override { return kOk; }
    std::int32_t QueryPageWindow() override { return kOk; }
    std::int32_t ConnectPageEvents(kivcontrol::IPageEvents& sink, std::uint32_t& cookie) override;
    void DisconnectPageEvents(std::uint32_t cookie) override;

    win::HWND TopLevelWindow() override { return topLevel_; }
    void BringToForeground() override;
    bool SetBeforeUnloadText(const std::string& text) override;
    bool IsLeaveQuestionOpen() override { return leaveQuestionOpen_; }
    bool Quit() override;
    // This host shows one page only; the control then uses the desktop's browser.
    bool OpenBrowserWindow(const std::string& /*url*/) override { return false; }

private:
    static constexpr std::int32_t kOk = 0;                 // S_OK
    static constexpr std::uint32_t kPageEventsCookie = 1;  // one page, one sink

    Actions actions_;
    win::HWND topLevel_ = nullptr;
    kivcontrol::IPageEvents* sink_ = nullptr;
    bool eventCurrent_ = false;
    std::optional<std::string> leaveText_;
    std::atomic<bool> leaveQuestionOpen_{false};
};

#pragma once
// The browser's part when the host is a terminal: there is no page and no
// browser window. The page connection succeeds (nothing to connect to), no
// leave question can be open, quitting the "browser" ends the host's message
// loop, and a new browser window is handed to the launcher.
#include <atomic>
#include <string>

#include "control/ControlServices.h"

namespace kivterm {

class CTerminalBrowserHost : public kivcontrol::IBrowserHost {
public:
    explicit CTerminalBrowserHost(kivcontrol::ILauncher& launcher) : launcher_(launcher) {}

    bool HasClientSite() override { return true; }
    std::int32_t QueryServiceProvider() override { return kOk; }
    std::int32_t QueryBrowser() override { return kOk; }
    std::int32_t QueryDocument() override { return kOk; }
    std::int32_t QueryPageWindow() override { return kOk; }
    std::int32_t ConnectPageEvents(kivcontrol::IPageEvents& sink, std::uint32_t& cookie) override;
    void DisconnectPageEvents(std::uint32_t /*cookie*/) override {}

    win::HWND TopLevelWindow() override { return nullptr; }
    void BringToForeground() override {}
    bool SetBeforeUnloadText(const std::string& /*text*/) override { return false; }
    bool IsLeaveQuestionOpen() override { return false; }
    // Window thread: posts the quit request to the calling thread's loop.
    bool Quit() override;
    bool OpenBrowserWindow(const std::string& url) override;

    bool QuitRequested() const { return quitRequested_; }

private:
    static constexpr std::int32_t kOk = 0;  // S_OK
    kivcontrol::ILauncher& launcher_;
    std::atomic<bool> quitRequested_{false};
};

}  // namespace kivterm

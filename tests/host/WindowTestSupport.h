#pragma once
// Whole runs of the window front end in a world of their own: XDG folders
// (version file, settings, instance lock) and a download folder below a
// temporary folder, no proxy, English texts, the canned server on 127.0.0.1
// and the control module loaded as the program loads it. A scripted user
// acts on the window from a timer while the front end's loop runs: it
// answers the program's message boxes with their first button and runs the
// test's own steps. Every run is bounded.
#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "frontends/window/WindowFrontEnd.h"
#include "host/ControlModule.h"
#include "host/HostOptions.h"
#include "host/HostPage.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/support/CannedServer.h"

class CKivDownloadControllerDlg;

namespace wintest {

constexpr int kRunBoundMs = 60000;  // far longer than any correct run needs

// Records what the control would start, and starts nothing.
class RecordingLauncher : public kivcontrol::ILauncher {
public:
    bool Launch(const std::vector<std::string>& argv) override;
    std::vector<std::vector<std::string>> Launched() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::vector<std::string>> launched_;
};

// The folder dialog the user would see (the worker's thread): a window
// titled "Browse for Folder" held open until the control closes it, then
// cancelled.
class HeldFolderDialog : public kivcontrol::IFolderBrowser {
public:
    int Browse(win::HWND owner, const std::string& prompt, unsigned flags,
               const KIVTOOLCommon::CItemIDList& initialSelection,
               KIVTOOLCommon::CItemIDList& result) override;
    bool Open() const { return open_; }
    int Calls() const { return calls_; }

private:
    std::atomic<bool> open_{false};
    std::atomic<int> calls_{0};
};

struct ShownBox {
    QString title;
    QString text;
};

class WindowRunFixture : public ::testing::Test {
protected:
    static constexpr const char* kLastModified = "Wed, 01 Jul 2015 00:00:00 GMT";

    WindowRunFixture();
    ~WindowRunFixture() override;

    // A page with one file, "/<name>" on the canned server.
    HostPage PageFor(const std::string& name) const;
    // Answers the first request with the whole file, the next (the body)
    // with `sentBytes` and then a stall of `stallMs` (-1: until the server stops).
    void ServeStalling(const std::string& content, std::size_t sentBytes, int stallMs);
    HostOptions OptionsToDownloads() const;

    // Runs the page in the window; `step` runs every few milliseconds while
    // the loop runs. Returns the exit status.
    int RunWindow(const HostPage& page, const HostOptions& options,
                  const std::function<void(CWindowFrontEnd&)>& step = {});

    std::string DownloadsNative(const std::string& name = {}) const;
    std::string ReadDownload(const std::string& name) const;

    envtest::TempFolder root_;
    envtest::ScopedEnvVar cache_{"XDG_CACHE_HOME", root_.Native("cache")};
    envtest::ScopedEnvVar state_{"XDG_STATE_HOME", root_.Native("state")};
    envtest::ScopedEnvVar config_{"XDG_CONFIG_HOME", root_.Native("config")};
    envtest::ScopedEnvVar data_{"XDG_DATA_HOME", root_.Native("data")};
    envtest::ScopedEnvVar runtime_{"XDG_RUNTIME_DIR", root_.Native("runtime")};
    envtest::ScopedEnvVar httpProxy_{"http_proxy", std::nullopt};
    envtest::ScopedEnvVar httpsProxy_{"https_proxy", std::nullopt};
    envtest::ScopedEnvVar allProxy_{"all_proxy", std::nullopt};
    envtest::ScopedEnvVar httpProxyUpper_{"HTTP_PROXY", std::nullopt};
    envtest::ScopedEnvVar httpsProxyUpper_{"HTTPS_PROXY", std::nullopt};
    envtest::ScopedEnvVar allProxyUpper_{"ALL_PROXY", std::nullopt};

    kivtest::CannedServer server;
    RecordingLauncher programs;
    HeldFolderDialog folderDialog;
    std::vector<ShownBox> boxes;  // the program's boxes, as answered
    bool boundPassed = false;
};

// While a run is on: the page view's download dialog and the control's window.
CKivDownloadControllerDlg* DialogOf(CWindowFrontEnd& frontEnd);
win::HWND ControlWindowOf(CWindowFrontEnd& frontEnd);
// Clicks the button of the open leave question with that text; false when none.
bool AnswerLeaveQuestion(CWindowFrontEnd& frontEnd, const QString& button);
// The control's own question to the browser: is the leave question open (1)?
win::LRESULT AskControlIfBrowserBoxOpen(CWindowFrontEnd& frontEnd);

}  // namespace wintest

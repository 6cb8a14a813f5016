#pragma once
// Whole runs of the control in a world of their own: XDG folders (version
// file, settings, instance lock) and a download folder below a temporary
// folder, no proxy, English texts, the canned server on 127.0.0.1 and the
// fake browser of ControlHarness.h. The test's thread is the window thread.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "control/ControlTimings.h"
#include "control/KivDownloadControllerCtrl.h"
#include "control/ParamTagBag.h"
#include "tests/control/ControlHarness.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/support/CannedServer.h"

namespace ctltest {

std::string Sha256Hex(const std::string& bytes);
// `size` bytes of a pattern that does not repeat at short distances.
std::string PatternContent(std::size_t size);

class ControlRunFixture : public ::testing::Test {
protected:
    static constexpr const char* kLastModified = "Wed, 01 Jul 2015 00:00:00 GMT";

    ControlRunFixture();
    ~ControlRunFixture() override;

    // Short waits, so that runs and teardowns stay quick.
    static kivcontrol::ControlTimings FastTimings();
    // A page with one curl/hash pair per entry ("" for no hash).
    kivcontrol::CParamTagBag Page(
        const std::vector<std::pair<std::string, std::string>>& items) const;

    // Creates the control, loads `page` and creates its window in the browser.
    void Start(const kivcontrol::CParamTagBag& page);
    // Releases the control; true when it was deleted at once.
    bool Release();
    bool PumpUntilBrowserQuits() {
        return PumpUntil([this] { return fakes.browser.quits > 0; });
    }
    // Answers HEAD in full, then sends `sentBytes` of the body and stalls
    // until the server stops.
    void ServeStalledFile(const std::string& content, std::size_t sentBytes);
    // The folder dialog answers with the download folder.
    void ChooseDownloads() { fakes.folders.Script({IDOK, DownloadsWindows()}); }

    std::string DownloadsWindows() const { return root_.Windows("downloads"); }
    std::string DownloadsNative(const std::string& name) const {
        return root_.Native("downloads/" + name);
    }
    std::string ReadDownload(const std::string& name) const;
    bool IsHidden(const std::string& name) const;
    bool Exists(const std::string& name) const;

    envtest::TempFolder root_;
    envtest::ScopedEnvVar cache_{"XDG_CACHE_HOME", root_.Native("cache")};
    envtest::ScopedEnvVar state_{"XDG_STATE_HOME", root_.Native("state")};
    envtest::ScopedEnvVar config_{"XDG_CONFIG_HOME", root_.Native("config")};
    envtest::ScopedEnvVar runtime_{"XDG_RUNTIME_DIR", root_.Native("runtime")};
    envtest::ScopedEnvVar httpProxy_{"http_proxy", std::nullopt};
    envtest::ScopedEnvVar httpsProxy_{"https_proxy", std::nullopt};
    envtest::ScopedEnvVar allProxy_{"all_proxy", std::nullopt};
    envtest::ScopedEnvVar httpsProxyUpper_{"HTTPS_PROXY", std::nullopt};
    envtest::ScopedEnvVar allProxyUpper_{"ALL_PROXY", std::nullopt};

    kivtest::CannedServer server;
    FakeServices fakes;
    // Handed to the control with the fakes (the protected layout's tests).
    std::string assistantProgram;
    std::function<void()> onWorkerConfined;
    kivcontrol::ControlTimings timings = FastTimings();
    kivcontrol::ControlPtr control;
};

}  // namespace ctltest

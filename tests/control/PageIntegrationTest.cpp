#include <gtest/gtest.h>

#include "control/PageIntegration.h"
#include "platform/Language.h"
#include "tests/control/PageTestContext.h"

using kivcontrol::ConnectToPage;
using kivcontrol::DetectBrowserDialog;
using kivcontrol::IPageEvents;
using kivcontrol::QuitBrowser;

namespace {

using pagetest::Argv;
using pagetest::FakePageContext;
using pagetest::WindowsThread;

constexpr std::int32_t kNoInterface = static_cast<std::int32_t>(0x80004002u);

struct NullSink : IPageEvents {
    void OnBeforeUnload() override {}
    void OnUnload() override {}
} sink;

TEST(PageIntegrationTest, ConnectionStopsAtTheFailingStepWithItsCodeAndHresult) {
    FakePageContext connected;
    std::uint32_t cookie = 0;
    EXPECT_TRUE(ConnectToPage(connected, sink, cookie));
    EXPECT_EQ(cookie, 42u);
    EXPECT_EQ(connected.browser.calls,
              (Argv{"provider", "browser", "document", "window", "events"}));
    for (int failing = 0; failing < 5; ++failing) {
        FakePageContext control;
        control.browser.stepResults[failing] = kNoInterface;
        EXPECT_FALSE(ConnectToPage(control, sink, cookie));
        EXPECT_EQ(control.error.errorCode, 13 + failing);
        EXPECT_EQ(control.error.lastError, 0x80004002u);
        EXPECT_EQ(control.browser.calls.size(), static_cast<std::size_t>(failing + 1));
    }
    FakePageContext noBrowser;
    noBrowser.services.browser = nullptr;
    EXPECT_FALSE(ConnectToPage(noBrowser, sink, cookie));
    EXPECT_EQ(noBrowser.error.errorCode, 13);
}

TEST(PageIntegrationTest, QuitBrowserAsksOnlyAConnectedLiveControlsBrowser) {
    FakePageContext control, aborted, noSite, noBrowser;
    aborted.aborted = true;
    noSite.browser.clientSite = false;
    noBrowser.browser.stepResults[1] = kNoInterface;
    for (FakePageContext* each : {&control, &aborted, &noSite, &noBrowser}) QuitBrowser(*each);
    EXPECT_EQ(control.browser.calls, (Argv{"provider", "browser", "quit"}));
    EXPECT_TRUE(aborted.browser.calls.empty());
    EXPECT_TRUE(noSite.browser.calls.empty());
    EXPECT_EQ(noBrowser.browser.calls, (Argv{"provider", "browser"}));
}

TEST(PageIntegrationTest, BrowserDialogIsTheHostsQuestionOrABoxTitledAsTheBrowsers) {
    win::OverrideLanguage(win::Language::English);
    FakePageContext control;
    auto page = std::make_unique<WindowsThread>(Argv{"control"});
    control.controlWindow = page->Window(0);
    EXPECT_EQ(DetectBrowserDialog(control), 0);
    for (const char* title : {"Microsoft Internet Explorer", "Windows Internet Explorer"}) {
        WindowsThread browserBox({"other", title});
        EXPECT_EQ(DetectBrowserDialog(control), 1) << title;
    }
    WindowsThread lookalikes({"windows internet explorer", "Windows Internet Explorer 8"});
    EXPECT_EQ(DetectBrowserDialog(control), 0);
    control.browser.leaveQuestionOpen = true;
    EXPECT_EQ(DetectBrowserDialog(control), 1);
    page.reset();  // without the control's window nothing is asked
    EXPECT_EQ(DetectBrowserDialog(control), 0);
    win::ResetLanguage();
}

}  // namespace

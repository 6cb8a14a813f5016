#include <gtest/gtest.h>

#include "control/PageIntegration.h"
#include "platform/Language.h"
#include "tests/control/PageTestContext.h"

namespace {

using pagetest::FakePageContext;
using pagetest::WindowsThread;

constexpr std::int32_t kNoInterface = static_cast<std::int32_t>(0x80004002u);

class NullSink : public IPageEvents {
public:
    void OnBeforeUnload() override {}
    void OnUnload() override {}
};

class PageIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override { win::OverrideLanguage(win::Language::English); }
    void TearDown() override { win::ResetLanguage(); }

    FakePageContext control_;
    NullSink sink_;
};

TEST_F(PageIntegrationTest, ConnectionRunsEveryStepAndKeepsTheCookie) {
    std::uint32_t cookie = 0;
    EXPECT_TRUE(ConnectToPage(control_, sink_, cookie));
    EXPECT_EQ(cookie, 42u);
    EXPECT_EQ(control_.error.errorCode, 0);
    EXPECT_EQ(control_.browser.calls,
              (std::vector<std::string>{"provider", "browser", "document", "window", "events"}));
}

TEST_F(PageIntegrationTest, AFailingConnectionStepStopsWithItsCodeAndHresult) {
    for (int failing = 0; failing < 5; ++failing) {
        SCOPED_TRACE(failing);
        FakePageContext control;
        control.browser.stepResults[failing] = kNoInterface;
        std::uint32_t cookie = 0;
        EXPECT_FALSE(ConnectToPage(control, sink_, cookie));
        EXPECT_EQ(control.error.errorCode, 13 + failing);
        EXPECT_EQ(control.error.lastError, 0x80004002u);
        EXPECT_EQ(control.browser.calls.size(), static_cast<std::size_t>(failing + 1));
    }
}

TEST_F(PageIntegrationTest, WithoutABrowserServiceTheConnectionFailsAtTheFirstStep) {
    control_.services.browser = nullptr;
    std::uint32_t cookie = 0;
    EXPECT_FALSE(ConnectToPage(control_, sink_, cookie));
    EXPECT_EQ(control_.error.errorCode, 13);
    EXPECT_NE(control_.error.lastError, 0u);
}

TEST_F(PageIntegrationTest, QuitBrowserAsksOnlyAConnectedLiveControlsBrowser) {
    EXPECT_EQ(QuitBrowser(control_), 0);
    EXPECT_EQ(control_.browser.calls.back(), "quit");

    FakePageContext aborted;
    aborted.aborted = true;
    QuitBrowser(aborted);
    FakePageContext noSite;
    noSite.browser.clientSite = false;
    QuitBrowser(noSite);
    FakePageContext noBrowser;
    noBrowser.browser.stepResults[1] = kNoInterface;
    QuitBrowser(noBrowser);
    for (FakePageContext* control : {&aborted, &noSite, &noBrowser}) {
        for (const std::string& call : control->browser.calls) EXPECT_NE(call, "quit");
    }
}

class BrowserDialogTest : public PageIntegrationTest {
protected:
    void SetUp() override {
        PageIntegrationTest::SetUp();
        controlWindow_ = win::CreateWindow(win::DefWindowProc, "control", win::WS_VISIBLE);
        control_.controlWindow = controlWindow_;
    }
    void TearDown() override {
        if (win::IsWindow(controlWindow_)) win::DestroyWindow(controlWindow_);
        PageIntegrationTest::TearDown();
    }
    win::HWND controlWindow_ = nullptr;
};

TEST_F(BrowserDialogTest, NothingOpenAnswersZero) {
    EXPECT_EQ(DetectBrowserDialog(control_), 0);
}

TEST_F(BrowserDialogTest, TheHostsOwnLeaveQuestionCounts) {
    control_.browser.leaveQuestionOpen = true;
    EXPECT_EQ(DetectBrowserDialog(control_), 1);
}

TEST_F(BrowserDialogTest, AWindowWithABrowserBoxTitleOnAnyThreadCounts) {
    for (const char* title : {"Microsoft Internet Explorer", "Windows Internet Explorer"}) {
        WindowsThread browserThread({"other", title});
        EXPECT_EQ(DetectBrowserDialog(control_), 1) << title;
    }
    // The titles compare exactly.
    WindowsThread lookalikes({"windows internet explorer", "Windows Internet Explorer 8"});
    EXPECT_EQ(DetectBrowserDialog(control_), 0);
}

TEST_F(BrowserDialogTest, WithoutTheControlWindowNothingIsFound) {
    control_.browser.leaveQuestionOpen = true;
    WindowsThread browserThread({"Windows Internet Explorer"});
    win::DestroyWindow(controlWindow_);
    EXPECT_EQ(DetectBrowserDialog(control_), 0);
}

}  // namespace

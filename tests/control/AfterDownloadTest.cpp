#include <gtest/gtest.h>

#include "control/AfterDownload.h"
#include "platform/Language.h"
#include "tests/control/PageTestContext.h"

namespace {

using pagetest::FakePageContext;
using Argv = std::vector<std::string>;

class FixedAssociation : public IProgramAssociation {
public:
    explicit FixedAssociation(std::string exec) : exec_(std::move(exec)) {}
    bool FindProgram(const std::string& file, std::string& execLine) const override {
        asked.push_back(file);
        execLine = exec_;
        return !exec_.empty();
    }
    mutable std::vector<std::string> asked;

private:
    std::string exec_;
};

class AfterDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        win::OverrideLanguage(win::Language::English);
        controlWindow_ = win::CreateWindow(
            [this](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                if (message == CTLM_QUITBROWSER) ++quitRequests_;
                return win::DefWindowProc(hwnd, message, wParam, lParam);
            },
            "control", win::WS_VISIBLE);
        dialog_ = win::CreateWindow(win::DefWindowProc, "dialog", win::WS_CHILD | win::WS_VISIBLE,
                                    controlWindow_);
        control_.controlWindow = controlWindow_;
        control_.dialogWindow = dialog_;
    }
    void TearDown() override {
        win::DestroyWindow(controlWindow_);
        win::ResetLanguage();
    }
    // Handles what was posted to this thread.
    void DrainPosted() {
        win::MSG msg;
        while (win::PeekMessage(&msg, win::PM_REMOVE)) win::DispatchMessage(&msg);
    }
    void AddItem(const std::string& localPath) {
        auto item = std::make_unique<CONTENTDATA>();
        item->localPath = localPath;
        control_.items.push_back(std::move(item));
    }

    FakePageContext control_;
    win::HWND controlWindow_ = nullptr;
    win::HWND dialog_ = nullptr;
    int quitRequests_ = 0;
};

TEST_F(AfterDownloadTest, CompletionTellsTheUserOpensTheFolderThenClosesTheBrowser) {
    EXPECT_EQ(OnRunCompleted(control_), 1);
    ASSERT_EQ(control_.shown.size(), 1u);
    EXPECT_EQ(control_.shown[0].id, 245u);
    EXPECT_EQ(control_.shown[0].style, 0x40u);
    EXPECT_EQ(control_.launcher.launched,
              (std::vector<Argv>{{"xdg-open", "/home/user/Downloads"}}));
    EXPECT_EQ(control_.log, (std::vector<std::string>{"box 245", "launch"}));
    EXPECT_EQ(control_.browser.calls, std::vector<std::string>{"foreground"});
    DrainPosted();
    EXPECT_EQ(quitRequests_, 1);
}

TEST_F(AfterDownloadTest, AClosingPageOrAMissingDialogKeepsTheBrowserOpen) {
    control_.pageClosing = true;
    OnRunCompleted(control_);
    EXPECT_EQ(control_.shown.size(), 1u);
    EXPECT_EQ(control_.launcher.launched.size(), 1u);

    FakePageContext notCreated;
    notCreated.controlWindow = controlWindow_;
    notCreated.dialogWindow = dialog_;
    notCreated.dialogCreated = false;
    OnRunCompleted(notCreated);
    DrainPosted();
    EXPECT_EQ(quitRequests_, 0);
}

TEST_F(AfterDownloadTest, OpenFolderDropsOuterQuotesAndConvertsThePath) {
    pagetest::FakeLauncher launcher;
    EXPECT_TRUE(OpenFolder(launcher, "\"Z:\\srv\\My Files\\\""));
    EXPECT_TRUE(OpenFolder(launcher, "Z:\\a\"b"));  // inner quotes are the folder's own
    EXPECT_FALSE(OpenFolder(launcher, "C:\\Users\\x"));
    EXPECT_FALSE(OpenFolder(launcher, "\"\""));
    EXPECT_EQ(launcher.launched,
              (std::vector<Argv>{{"xdg-open", "/srv/My Files/"}, {"xdg-open", "/a\"b"}}));
    launcher.starts = false;
    EXPECT_FALSE(OpenFolder(launcher, "Z:\\srv"));
}

TEST_F(AfterDownloadTest, PlayRunsTheAssociatedProgramOnTheFile) {
    AddItem("Z:\\tmp\\dl\\movie.mkv");
    const FixedAssociation player("kiv-player --fullscreen %U");
    EXPECT_EQ(PlayItem(control_, 0, player), 0);
    EXPECT_EQ(player.asked, Argv{"/tmp/dl/movie.mkv"});
    EXPECT_EQ(control_.launcher.launched,
              (std::vector<Argv>{{"kiv-player", "--fullscreen", "/tmp/dl/movie.mkv"}}));
}

TEST_F(AfterDownloadTest, TheMediaPlayerGetsItsPlaySwitch) {
    AddItem("Z:\\tmp\\clip.wmv");
    PlayItem(control_, 0, FixedAssociation("\"/opt/wine/wmplayer.exe\" %f --ignored"));
    EXPECT_EQ(control_.launcher.launched,
              (std::vector<Argv>{{"/opt/wine/wmplayer.exe", "/Play", "/tmp/clip.wmv"}}));
}

TEST_F(AfterDownloadTest, AFileWithoutProgramIsOpenedByTheDesktop) {
    AddItem("Z:\\tmp\\a.xyz");
    PlayItem(control_, 0, FixedAssociation(""));
    PlayItem(control_, 0, FixedAssociation("\"unterminated %f"));
    EXPECT_EQ(control_.launcher.launched,
              (std::vector<Argv>{{"xdg-open", "/tmp/a.xyz"}, {"xdg-open", "/tmp/a.xyz"}}));
}

TEST_F(AfterDownloadTest, PlayIgnoresAnIndexOutsideTheList) {
    AddItem("Z:\\tmp\\a.mkv");
    const FixedAssociation player("kiv-player %f");
    EXPECT_EQ(PlayItem(control_, 1, player), 0);
    EXPECT_EQ(PlayItem(control_, static_cast<WPARAM>(-1), player), 0);
    EXPECT_TRUE(player.asked.empty());
    EXPECT_TRUE(control_.launcher.launched.empty());
}

TEST_F(AfterDownloadTest, TheSupportPageNeedsAnAcceptedAddress) {
    EXPECT_EQ(OpenSupportPage(control_), 0);
    EXPECT_TRUE(control_.browser.openedUrls.empty());
    EXPECT_TRUE(control_.launcher.launched.empty());

    control_.parameters = {{"supporturl", "https://example.com/help"}};
    EXPECT_EQ(OpenSupportPage(control_), 1);
    EXPECT_EQ(control_.browser.openedUrls, Argv{"https://example.com/help"});
    EXPECT_TRUE(control_.launcher.launched.empty());
}

TEST_F(AfterDownloadTest, TheSupportPageFallsBackToTheDefaultBrowser) {
    control_.parameters = {{"supporturl", "https://example.com/help"}};
    control_.browser.canOpenWindow = false;
    EXPECT_EQ(OpenSupportPage(control_), 1);
    EXPECT_EQ(control_.launcher.launched,
              (std::vector<Argv>{{"xdg-open", "https://example.com/help"}}));
    control_.launcher.starts = false;
    EXPECT_EQ(OpenSupportPage(control_), 0);
}

}  // namespace

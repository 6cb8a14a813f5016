#include <gtest/gtest.h>

#include "control/AfterDownload.h"
#include "tests/control/PageTestContext.h"

using kivcontrol::IProgramAssociation;
using kivcontrol::OnRunCompleted;
using kivcontrol::OpenFolder;
using kivcontrol::OpenSupportPage;
using kivcontrol::PlayItem;

using kivtransfer::CONTENTDATA;

namespace {

using pagetest::Argv;
using pagetest::FakePageContext;
using pagetest::WindowsThread;

class FixedAssociation : public IProgramAssociation {
public:
    explicit FixedAssociation(std::string exec) : exec_(std::move(exec)) {}
    bool FindProgram(const std::string& file, std::string& execLine) const override {
        asked.push_back(file);
        execLine = exec_;
        return !exec_.empty();
    }
    mutable Argv asked;

private:
    std::string exec_;
};

// The control's window lives on a thread of its own; window 1 is the dialog.
class AfterDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        control_.controlWindow = page_.Window(0);
        control_.dialogWindow = page_.Window(1);
        control_.items.push_back(std::make_unique<CONTENTDATA>());
        control_.items[0]->localPath = "Z:\\tmp\\dl\\clip.wmv";
    }
    // Posts a marker behind whatever was posted and waits until it is handled.
    bool QuitPosted() {
        const int markers = page_.Count(0, WM_APP + 99);
        win::PostMessage(page_.Window(0), WM_APP + 99, 0, 0);
        for (int round = 0; round < 500 && page_.Count(0, WM_APP + 99) == markers; ++round) {
            win::Sleep(10);
        }
        return page_.Count(0, CTLM_QUITBROWSER) > 0;
    }

    WindowsThread page_{{"control", "dialog"}};
    FakePageContext control_;
};

TEST_F(AfterDownloadTest, CompletionTellsTheUserOpensTheFolderThenClosesTheBrowser) {
    EXPECT_EQ(OnRunCompleted(control_), 1);
    EXPECT_EQ(control_.log, (Argv{"box 245 style 64", "launch"}));
    EXPECT_EQ(control_.launcher.launched,
              (std::vector<Argv>{{"xdg-open", "/home/user/Downloads"}}));
    EXPECT_EQ(control_.browser.calls, Argv{"foreground"});
    EXPECT_TRUE(QuitPosted());
}

TEST_F(AfterDownloadTest, AClosingPageOrAnUncreatedDialogKeepsTheBrowserOpen) {
    control_.pageClosing = true;
    OnRunCompleted(control_);
    EXPECT_EQ(control_.log, (Argv{"box 245 style 64", "launch"}));
    control_.pageClosing = false;
    control_.dialogCreated = false;
    OnRunCompleted(control_);
    EXPECT_FALSE(QuitPosted());
}

TEST_F(AfterDownloadTest, OpenFolderDropsOuterQuotesAndConvertsThePath) {
    pagetest::FakeLauncher launcher;
    EXPECT_TRUE(OpenFolder(launcher, "\"Z:\\srv\\My Files\\\""));
    EXPECT_FALSE(OpenFolder(launcher, "C:\\Users\\x"));  // not a path of this system
    EXPECT_FALSE(OpenFolder(launcher, "\"\""));
    EXPECT_EQ(launcher.launched, (std::vector<Argv>{{"xdg-open", "/srv/My Files/"}}));
    launcher.starts = false;
    EXPECT_FALSE(OpenFolder(launcher, "Z:\\srv"));
}

TEST_F(AfterDownloadTest, PlayChoosesTheProgramByTheFilesAssociation) {
    const FixedAssociation player("kiv-player --fullscreen %U");
    EXPECT_EQ(PlayItem(control_, 0, player), 0);
    EXPECT_EQ(player.asked, Argv{"/tmp/dl/clip.wmv"});
    PlayItem(control_, 0, FixedAssociation("\"/opt/wine/wmplayer.exe\" %f --ignored"));
    PlayItem(control_, 0, FixedAssociation(""));
    PlayItem(control_, 0, FixedAssociation("\"broken %f"));
    EXPECT_EQ(control_.launcher.launched,
              (std::vector<Argv>{{"kiv-player", "--fullscreen", "/tmp/dl/clip.wmv"},
                                 {"/opt/wine/wmplayer.exe", "/Play", "/tmp/dl/clip.wmv"},
                                 {"xdg-open", "/tmp/dl/clip.wmv"},
                                 {"xdg-open", "/tmp/dl/clip.wmv"}}));
}

TEST_F(AfterDownloadTest, PlayIgnoresAnIndexOutsideTheList) {
    const FixedAssociation player("kiv-player %f");
    EXPECT_EQ(PlayItem(control_, 1, player), 0);
    EXPECT_EQ(PlayItem(control_, static_cast<WPARAM>(-1), player), 0);
    EXPECT_TRUE(player.asked.empty() && control_.launcher.launched.empty());
}

TEST_F(AfterDownloadTest, TheSupportPageNeedsAnAcceptedAddress) {
    EXPECT_EQ(OpenSupportPage(control_), 0);
    EXPECT_TRUE(control_.browser.openedUrls.empty() && control_.launcher.launched.empty());
    control_.parameters["supporturl"] = "https://example.com/help";
    EXPECT_EQ(OpenSupportPage(control_), 1);
    EXPECT_EQ(control_.browser.openedUrls, Argv{"https://example.com/help"});
    EXPECT_TRUE(control_.launcher.launched.empty());
    // A host that cannot open a window leaves it to the desktop's browser.
    control_.browser.canOpenWindow = false;
    EXPECT_EQ(OpenSupportPage(control_), 1);
    EXPECT_EQ(control_.launcher.launched,
              (std::vector<Argv>{{"xdg-open", "https://example.com/help"}}));
}

}  // namespace

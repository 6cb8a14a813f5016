// Whole download runs of the control, from the page's parameters to the
// files on disk and the messages the user sees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "env/Locations.h"
#include "platform/Thread.h"
#include "platform/Window.h"
#include "tests/control/ControlRunFixture.h"

using kivcontrol::ControlPtr;
using kivcontrol::CParamTagBag;
using kivcontrol::CreateControl;
using kivcontrol::ReleaseControl;

namespace {

using ::testing::ElementsAre;
using namespace ctltest;

class ControlRunTest : public ControlRunFixture {
protected:
    bool DataArrived() {
        for (const DialogMessage& position : fakes.dialogs.Log().Of(DLGM_CURRENTPOS)) {
            if (position.wParam != 0) return true;
        }
        return false;
    }
};

TEST_F(ControlRunTest, CompleteRunLeavesVerifiedVisibleFilesAndEndsWithTheSuccessActions) {
    const std::string content = PatternContent(100000);
    server.ServeContent(content, kLastModified);
    ChooseDownloads();
    CParamTagBag page = Page({{"/dir/first.bin?x=1", Sha256Hex(content)}, {"/second.bin", ""}});
    page.Add("caption", "Page Caption");
    page.Add("helplink", "http://127.0.0.1/help.html");
    Start(page);
    ASSERT_TRUE(PumpUntilBrowserQuits());
    const win::HWND dialog = control->Run().DialogWindow();

    EXPECT_EQ(control->Run().Error().errorCode, 0);
    for (const char* name : {"first.bin", "second.bin"}) {
        EXPECT_EQ(ReadDownload(name), content) << name;
        EXPECT_FALSE(IsHidden(name)) << name;
    }
    const std::vector<ShownBox> boxes = fakes.boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The download completed successfully.");
    EXPECT_EQ(boxes[0].caption, "Page Caption");
    EXPECT_EQ(boxes[0].style, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(boxes[0].thread, win::GetCurrentThreadId());
    EXPECT_EQ(boxes[0].owner, dialog);
    EXPECT_THAT(fakes.launcher.Launched(),
                ElementsAre(ElementsAre("xdg-open", root_.Native("downloads"))));
    EXPECT_EQ(fakes.folders.LastOwner(), dialog);

    const DialogLog& log = fakes.dialogs.Log();
    ASSERT_FALSE(log.All().empty());
    EXPECT_EQ(log.All().front().message, DLGM_SHOWLINK);
    EXPECT_THAT(log.StatusTexts(),
                ElementsAre("Preparing to download.", "Downloading file(s).", "Verifying file.",
                            "Download of all files has been completed."));
    ASSERT_TRUE(log.Has(DLGM_OVERALLSTEP));
    EXPECT_EQ(log.Of(DLGM_OVERALLSTEP).back().wParam, 1u);  // buttons disabled at the end

    // A box left open at the end could have left the browser disabled.
    win::EnableWindow(fakes.browser.Window(), win::FALSE);
    EXPECT_TRUE(Release());
    EXPECT_FALSE(win::IsWindow(dialog));
    EXPECT_TRUE(win::IsWindowEnabled(fakes.browser.Window()));
    EXPECT_EQ(fakes.browser.connected, 0);
}

TEST_F(ControlRunTest, ParameterErrorIsReportedAtWindowCreationWithoutDialogOrWorker) {
    CParamTagBag page;
    page.Add("curl1", server.Url("/a.bin"));  // no contentscount
    Start(page);
    ASSERT_TRUE(PumpUntil([this] { return fakes.boxes.Count() == 1; }));
    PumpPending();

    const ShownBox box = fakes.boxes.Boxes()[0];
    EXPECT_EQ(box.text,
              "Parameter contentscount (it is ''; 1 to 255 files are allowed) has not been "
              "specified, or is not a correct value.[D:200]");
    EXPECT_EQ(box.caption, "Kiv Downloader");
    EXPECT_EQ(box.style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(box.owner, fakes.browser.Window());
    EXPECT_EQ(fakes.dialogs.Created(), 0);
    EXPECT_EQ(control->Run().WorkerThreadId(), 0u);
    EXPECT_EQ(fakes.browser.quits, 0) << "without a dialog the browser window stays open";

    // The failed control no longer holds the single-instance lock.
    ControlPtr next = CreateControl(fakes.Services(), timings);
    EXPECT_TRUE(next->LoadProperties(Page({{"/a.bin", ""}})));
    EXPECT_EQ(fakes.boxes.Count(), 1u) << "no \"already running\" question";
    ReleaseControl(std::move(next));
    EXPECT_TRUE(Release());
}

TEST_F(ControlRunTest, CorruptedFileAmongThreeIsListedAndDeletedWhileTheOthersAreFinalised) {
    const std::string content = PatternContent(30000);
    server.ServeContent(content, kLastModified);
    ChooseDownloads();
    const std::string good = Sha256Hex(content);
    Start(Page({{"/a.bin", good}, {"/b.bin", Sha256Hex("something else")}, {"/c.bin", good}}));
    ASSERT_TRUE(PumpUntilBrowserQuits());

    EXPECT_EQ(control->Run().Error().errorCode, 500);
    const std::vector<ShownBox> boxes = fakes.boxes.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "The following files are corrupted. Download them again.[D:500]\n\n\tb.bin");
    for (const char* name : {"a.bin", "c.bin"}) {
        EXPECT_EQ(ReadDownload(name), content) << name;
        EXPECT_FALSE(IsHidden(name)) << name;
    }
    EXPECT_FALSE(Exists("b.bin"));
    EXPECT_FALSE(Exists(".b.bin.kivpart")) << "the corrupted part file is deleted";
    const std::vector<DialogMessage> rateTime = fakes.dialogs.Log().Of(DLGM_RATETIME);
    ASSERT_FALSE(rateTime.empty());
    EXPECT_EQ(rateTime.back().lParam, -2) << "speed and time cleared";
    EXPECT_TRUE(fakes.launcher.Launched().empty());
    EXPECT_TRUE(Release());
}

TEST_F(ControlRunTest, CancelFromTheDialogWhileDownloadingEndsQuietly) {
    ServeStalledFile(PatternContent(200000), 40000);
    ChooseDownloads();
    Start(Page({{"/big.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return DataArrived(); }));

    ASSERT_TRUE(PressDialogCancel(control->Run().PauseMutex(), control->Run().CancelEvent()));
    ASSERT_TRUE(PumpUntilBrowserQuits());

    EXPECT_EQ(control->Run().Error().errorCode, 1);
    EXPECT_EQ(fakes.boxes.Count(), 0u);
    EXPECT_EQ(fakes.dialogs.Log().StatusTexts().back(), "Download has been cancelled.");
    EXPECT_TRUE(IsHidden(".big.bin.kivpart")) << "a partial file is not finalised";
    EXPECT_FALSE(Exists("big.bin")) << "nothing partial under the final name";
    EXPECT_TRUE(fakes.launcher.Launched().empty());
    EXPECT_TRUE(Release());
}

TEST_F(ControlRunTest, ProxyPasswordIsAskedOnceOnTheWindowThreadOverTheDialog) {
    envtest::ScopedEnvVar proxy("http_proxy", server.Url(""));
    const std::string content = PatternContent(5000);
    server.RequireProxyCredentials("kiv", "s3cret");
    server.ServeContent(content, kLastModified);
    ChooseDownloads();
    CParamTagBag page;
    page.Add("contentscount", "2");
    page.Add("curl1", "http://origin.example/file.bin");
    page.Add("curl2", "http://origin.example/other.bin");
    Start(page);
    ASSERT_TRUE(PumpUntilBrowserQuits());

    // Two size queries and two transfers, one question.
    EXPECT_EQ(fakes.proxy.asked, 1);
    EXPECT_EQ(fakes.proxy.askedOnThread, win::GetCurrentThreadId());
    EXPECT_EQ(fakes.proxy.owner, control->Run().DialogWindow());
    EXPECT_EQ(ReadDownload("file.bin"), content);
    EXPECT_EQ(ReadDownload("other.bin"), content);
    int carried = 0;
    for (const kivtest::RecordedRequest& request : server.Requests()) {
        carried += request.HasLine("Proxy-Authorization: Basic a2l2OnMzY3JldA==") ? 1 : 0;
    }
    EXPECT_EQ(carried, 4);
    EXPECT_TRUE(Release());
}

TEST_F(ControlRunTest, RefusedProxyPasswordFailsTheDownload) {
    envtest::ScopedEnvVar proxy("http_proxy", server.Url(""));
    server.SetDefault(kivtest::CannedResponse::ProxyAuthGate("kiv", "s3cret"));
    fakes.proxy.answer = false;
    ChooseDownloads();
    CParamTagBag page;
    page.Add("contentscount", "1");
    page.Add("curl1", "http://origin.example/file.bin");
    Start(page);
    ASSERT_TRUE(PumpUntilBrowserQuits());

    ASSERT_EQ(fakes.boxes.Count(), 1u);
    EXPECT_EQ(fakes.boxes.Boxes()[0].text,
              "File download failed.To continue, proxy server authentication is required."
              "[D:301 E:407]");
    EXPECT_TRUE(Release());
}

}  // namespace

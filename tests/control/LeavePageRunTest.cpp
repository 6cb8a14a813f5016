// Leaving the page in the middle of a download, as a whole run: the browser
// asks its leave question with our text, the transfer holds still while the
// question is open, staying lets the download finish, and leaving cancels it
// with the partial file kept for a later run.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "env/Application.h"
#include "platform/Thread.h"
#include "tests/control/ControlRunFixture.h"
#include "transfer/VersionFile.h"

using kivcontrol::ControlServices;
using kivcontrol::CreateControl;
using kivcontrol::IPageEvents;
using kivcontrol::ReleaseControl;

using kivtransfer::CVersionFile;

namespace {

using namespace ctltest;
using kivtest::CannedResponse;

constexpr std::size_t kContentSize = 300000;
constexpr std::size_t kBeforeStall = 30000;

// A browser whose leave question the test opens and closes, and which hands
// the page's event sink to the test as the page would call it.
class LeavingBrowser : public FakeBrowserHost {
public:
    std::int32_t ConnectPageEvents(IPageEvents& sink, std::uint32_t& cookie) override {
        pageEvents = &sink;
        return FakeBrowserHost::ConnectPageEvents(sink, cookie);
    }
    bool SetBeforeUnloadText(const std::string& text) override {
        std::lock_guard hold(mutex_);
        leaveTexts.push_back(text);
        return true;
    }
    bool IsLeaveQuestionOpen() override {
        ++questionChecks;
        return questionOpen;
    }
    std::vector<std::string> LeaveTexts() const {
        std::lock_guard hold(mutex_);
        return leaveTexts;
    }

    IPageEvents* pageEvents = nullptr;
    std::atomic<bool> questionOpen{false};
    std::atomic<int> questionChecks{0};

private:
    mutable std::mutex mutex_;
    std::vector<std::string> leaveTexts;
};

class LeavePageRunTest : public ControlRunFixture {
protected:
    LeavePageRunTest() : content_(PatternContent(kContentSize)) {
        server.Enqueue(CannedResponse::File(content_, kLastModified));  // HEAD
        CannedResponse paused = CannedResponse::File(content_, kLastModified);
        // Long enough for the page to be left while the data is held back.
        paused.stallAfter = kBeforeStall;
        paused.stallMs = 1500;
        server.Enqueue(paused);
        ChooseDownloads();
        ControlServices services = fakes.Services();
        services.browser = &browser_;
        control = CreateControl(services, timings);
        control->LoadProperties(Page({{"/big.bin", ""}}));
    }

    // The control goes before the browser it uses.
    ~LeavePageRunTest() override { control.reset(); }

    void StartAndAskToLeaveDuringTheTransfer() {
        ASSERT_NE(control->CreateControlWindow(browser_.Window()), nullptr);
        ASSERT_NE(browser_.pageEvents, nullptr);
        ASSERT_TRUE(PumpUntil([this] { return ReceivedBytes() > 0; }));
        browser_.questionOpen = true;
        browser_.pageEvents->OnBeforeUnload();
        // The worker takes the chunk it is reading, then waits for the answer.
        ASSERT_TRUE(PumpUntil([this] { return browser_.questionChecks > 0; }));
    }

    // The current file's bytes the dialog was told of.
    std::uint64_t ReceivedBytes() {
        const std::vector<DialogMessage> positions = fakes.dialogs.Log().Of(DLGM_CURRENTPOS);
        return positions.empty() ? 0 : positions.back().wParam;
    }
    std::uintmax_t FileSize() const {
        std::error_code missing;
        // In progress, the download is its part file.
        const std::uintmax_t size =
            std::filesystem::file_size(DownloadsNative(".big.bin.kivpart"), missing);
        return missing ? 0 : size;
    }
    bool ReleaseAndWait() {
        auto released = std::make_shared<std::atomic<bool>>(false);
        ReleaseControl(std::move(control), [released] { *released = true; });
        return PumpUntil([released] { return released->load(); });
    }

    const std::string content_;
    LeavingBrowser browser_;
};

TEST_F(LeavePageRunTest, NothingMovesWhileTheQuestionIsOpenAndStayingFinishesTheFile) {
    StartAndAskToLeaveDuringTheTransfer();
    EXPECT_EQ(browser_.LeaveTexts(),
              std::vector<std::string>{
                  "You have attempted to go to another page or close the page during the "
                  "download. \nIf you continue, processing in Kiv Downloader will be "
                  "terminated."});

    const std::uint64_t reported = ReceivedBytes();
    const std::uintmax_t onDisk = FileSize();
    const int checks = browser_.questionChecks;
    PumpUntil([] { return false; }, 400);
    EXPECT_EQ(ReceivedBytes(), reported);
    EXPECT_EQ(FileSize(), onDisk);
    EXPECT_LT(onDisk, kContentSize);
    EXPECT_GT(browser_.questionChecks, checks) << "the worker keeps asking while it waits";

    browser_.questionOpen = false;  // the user chose to stay
    ASSERT_TRUE(PumpUntil([this] { return browser_.quits > 0; }));
    EXPECT_EQ(control->Run().Error().errorCode, 0);
    EXPECT_EQ(ReadDownload("big.bin"), content_);
    EXPECT_FALSE(IsHidden("big.bin"));
    EXPECT_TRUE(ReleaseAndWait());
}

TEST_F(LeavePageRunTest, LeavingCancelsAndKeepsTheRecordedPartialFile) {
    StartAndAskToLeaveDuringTheTransfer();
    // The user chose to leave: the question closes and the page unloads.
    browser_.questionOpen = false;
    browser_.pageEvents->OnUnload();
    ASSERT_TRUE(PumpUntil([this] {
        const std::vector<std::string> texts = fakes.dialogs.Log().StatusTexts();
        return !texts.empty() && texts.back() == "Download has been cancelled.";
    }));
    EXPECT_EQ(control->Run().Error().errorCode, 1);
    ASSERT_TRUE(ReleaseAndWait());

    EXPECT_EQ(fakes.boxes.Count(), 0u) << "a cancelled run shows nothing";
    EXPECT_TRUE(fakes.launcher.Launched().empty());
    EXPECT_FALSE(Exists("big.bin")) << "nothing partial under the final name";
    ASSERT_TRUE(Exists(".big.bin.kivpart"));
    EXPECT_TRUE(IsHidden(".big.bin.kivpart"));
    EXPECT_GT(FileSize(), 0u);
    EXPECT_LT(FileSize(), kContentSize);
    EXPECT_EQ(ReadDownload(".big.bin.kivpart"), content_.substr(0, FileSize()));

    CVersionFile versionFile;
    ASSERT_TRUE(versionFile.Open(env::GetVersionFilePath()));
    std::string stored;
    EXPECT_TRUE(versionFile.GetStoredText(root_.Windows("downloads/big.bin"), stored));
    EXPECT_EQ(stored, kLastModified) << "a later run may continue the file";
}

}  // namespace

// Failures of whole runs, each produced the way it happens in the field (a
// refusing browser, a closed port, a misbehaving server, a file taken away
// under the run) and checked as the user sees it: the stored code, the
// accompanying system code and the box text with its code tag.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "env/Locations.h"
#include "tests/control/ControlRunFixture.h"

using kivcontrol::ControlServices;
using kivcontrol::CParamTagBag;
using kivcontrol::CreateControl;

namespace {

using namespace ctltest;
using kivtest::CannedResponse;

constexpr std::int32_t kNoInterface = static_cast<std::int32_t>(0x80004002u);
constexpr const char* kStartHeadline = "Initialization of Kiv Downloader failed.";
constexpr const char* kDownloadHeadline = "File download failed.";

class ErrorCodeRunTest : public ControlRunFixture {
protected:
    ErrorCodeRunTest() { timings.transfer.readTimeoutMs = 200; }

    // Runs `page` to its end and returns the one box it showed.
    std::string RunToFailure(const CParamTagBag& page) {
        ChooseDownloads();
        Start(page);
        EXPECT_TRUE(PumpUntilBrowserQuits());
        PumpPending();
        EXPECT_EQ(fakes.boxes.Count(), 1u);
        return fakes.boxes.Count() == 0 ? std::string() : fakes.boxes.Boxes()[0].text;
    }
    CParamTagBag PageOf(const std::string& url) const {
        CParamTagBag page;
        page.Add("contentscount", "1");
        page.Add("curl1", url);
        return page;
    }
    void ExpectError(std::int32_t code, std::int32_t lastError) const {
        EXPECT_EQ(control->Run().Error().errorCode, code);
        EXPECT_EQ(control->Run().Error().lastError, lastError);
    }
    // Two items, the second one's body paused half-way; while it is paused
    // the finished first file disappears. Runs to the end.
    void RunRemovingFirstFileDuringSecond(const std::string& firstHash) {
        const std::string first = PatternContent(3000);
        const std::string second = PatternContent(60000);
        server.Enqueue(CannedResponse::File(first, kLastModified));   // HEAD first.bin
        server.Enqueue(CannedResponse::File(second, kLastModified));  // HEAD second.bin
        server.Enqueue(CannedResponse::File(first, kLastModified));   // GET first.bin
        CannedResponse paused = CannedResponse::File(second, kLastModified);
        paused.stallAfter = 20000;
        paused.stallMs = 600;
        server.Enqueue(paused);
        server.ServeContent(second, kLastModified);  // a retry after the pause continues the file
        ChooseDownloads();
        Start(Page({{"/first.bin", firstHash}, {"/second.bin", ""}}));
        ASSERT_TRUE(PumpUntil([this] { return DataArrivedFor("second.bin"); }));
        ASSERT_TRUE(std::filesystem::remove(DownloadsNative(".first.bin.kivpart")));
        ASSERT_TRUE(PumpUntilBrowserQuits());
        PumpPending();
    }
    // Whether a chunk of `name` was reported since the dialog last named it.
    bool DataArrivedFor(const std::string& name) {
        bool current = false;
        for (const DialogMessage& message : fakes.dialogs.Log().All()) {
            if (message.message == DLGM_FILENAME) current = message.text == name;
            if (current && message.message == DLGM_CURRENTPOS && message.wParam != 0) return true;
        }
        return false;
    }
};

// --- The browser refusing one of its interfaces while the window is created.

struct RefusedInterface {
    const char* name;
    std::function<void(FakeBrowserHost&)> refuse;
    std::int32_t code;
    const char* text;
};

void PrintTo(const RefusedInterface& refused, std::ostream* out) {
    *out << refused.name;
}

class RefusedInterfaceTest : public ControlRunFixture,
                             public ::testing::WithParamInterface<RefusedInterface> {};

TEST_P(RefusedInterfaceTest, IsReportedAtOnceWithTheHresultAndNoRunStarts) {
    GetParam().refuse(fakes.browser);
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntil([this] { return fakes.boxes.Count() == 1; }));
    PumpPending();

    EXPECT_EQ(control->Run().Error().errorCode, GetParam().code);
    EXPECT_EQ(fakes.boxes.Boxes()[0].text, std::string(kStartHeadline) + GetParam().text + "[D:" +
                                               std::to_string(GetParam().code) + " E:0x80004002]");
    EXPECT_EQ(control->Run().WorkerThreadId(), 0u);
    EXPECT_EQ(fakes.folders.Calls(), 0);
    EXPECT_EQ(fakes.browser.connected, 0);
    EXPECT_TRUE(Release());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RefusedInterfaceTest,
    ::testing::Values(
        RefusedInterface{"ServiceProvider",
                         [](FakeBrowserHost& b) { b.serviceProvider = kNoInterface; }, 13,
                         "Could not get the service provider interface."},
        RefusedInterface{"Browser", [](FakeBrowserHost& b) { b.browser = kNoInterface; }, 14,
                         "Could not get the browser interface."},
        RefusedInterface{"Document", [](FakeBrowserHost& b) { b.document = kNoInterface; }, 15,
                         "Could not get the document interface."},
        RefusedInterface{"PageWindow", [](FakeBrowserHost& b) { b.pageWindow = kNoInterface; }, 16,
                         "Could not get the window interface."}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Connections and servers.

TEST_F(ErrorCodeRunTest, ClosedPortFailsWithCannotConnect) {
    std::string url;
    {
        kivtest::CannedServer closed;
        url = closed.Url("/a.bin");
        closed.Stop();
    }
    const std::string text = RunToFailure(PageOf(url));
    ExpectError(300, 12029);
    EXPECT_EQ(text, std::string(kDownloadHeadline) +
                        "Could not connect to the server. Confirm that your computer is "
                        "correctly connected to the Internet.[D:300 E:12029]");
}

TEST_F(ErrorCodeRunTest, UnknownHostFailsWithNameNotResolved) {
    const std::string text = RunToFailure(PageOf("http://kiv-download.invalid/a.bin"));
    ExpectError(300, 12007);
    EXPECT_EQ(text, std::string(kDownloadHeadline) +
                        "The server name could not be resolved. Confirm that your computer is "
                        "correctly connected to the Internet.[D:300 E:12007]");
}

TEST_F(ErrorCodeRunTest, MissingFileFailsWithItsStatus) {
    server.SetDefault(CannedResponse::Status(404));
    const std::string text = RunToFailure(Page({{"/gone.bin", ""}}));
    ExpectError(301, 404);
    EXPECT_EQ(text, std::string(kDownloadHeadline) +
                        "HTTP status 404 was returned. The server may be busy. Please retry "
                        "later.[D:301 E:404]");
    EXPECT_FALSE(Exists("gone.bin"));
}

TEST_F(ErrorCodeRunTest, ProxyAuthenticationWithoutAPromptIsNotRetried) {
    envtest::ScopedEnvVar proxy("http_proxy", server.Url(""));
    server.SetDefault(CannedResponse::ProxyAuthGate("kiv", "s3cret"));
    ChooseDownloads();
    ControlServices services = fakes.Services();
    services.proxyPrompt = nullptr;  // proxy passwords are refused without asking
    control = CreateControl(services, timings);
    control->LoadProperties(PageOf("http://origin.example/file.bin"));
    ASSERT_NE(control->CreateControlWindow(fakes.browser.Window()), nullptr);
    ASSERT_TRUE(PumpUntilBrowserQuits());
    PumpPending();

    ExpectError(301, 407);
    ASSERT_EQ(fakes.boxes.Count(), 1u);
    EXPECT_EQ(fakes.boxes.Boxes()[0].text,
              std::string(kDownloadHeadline) +
                  "To continue, proxy server authentication is required.[D:301 E:407]");
    EXPECT_EQ(server.Requests().size(), 1u) << "the refused HEAD is the only request";
    EXPECT_EQ(fakes.proxy.asked, 0);
}

TEST_F(ErrorCodeRunTest, HtmlPageInsteadOfTheFileIsRefused) {
    server.SetDefault(CannedResponse::Html("<html><body>Sign in first</body></html>"));
    const std::string text = RunToFailure(Page({{"/a.bin", ""}}));
    ExpectError(303, 200);
    EXPECT_EQ(text, std::string(kDownloadHeadline) +
                        "There may be a problem with the server.[D:303 E:200]");
}

TEST_F(ErrorCodeRunTest, StalledBodyEndsInTheReadTimeoutAfterTheRetries) {
    const std::string content = PatternContent(50000);
    // The size query is answered; the GET that follows on its connection and
    // every retry send their head, then stall.
    server.Enqueue(CannedResponse::File(content, kLastModified));
    CannedResponse stalled = CannedResponse::File(content, kLastModified);
    stalled.stallAfter = 0;
    stalled.stallMs = -1;
    server.SetDefault(stalled);
    const std::string text = RunToFailure(Page({{"/slow.bin", ""}}));
    ExpectError(304, 0);
    EXPECT_EQ(text,
              "A server connection timeout occurred. Confirm that your computer is correctly "
              "connected to the Internet. If it is connected correctly, the server may be busy. "
              "Retry later.[D:304]");
    EXPECT_EQ(server.Requests().size(), 12u) << "HEAD, then GET and its ten retries";
}

TEST_F(ErrorCodeRunTest, BodyThatAlwaysEndsShortGivesUpAfterItsRetries) {
    CannedResponse empty = CannedResponse::File(PatternContent(4000), kLastModified);
    empty.bodyBytesSent = 0;  // the head promises 4000 bytes, the connection ends at once
    empty.ending = CannedResponse::Ending::Close;
    server.SetDefault(empty);
    const std::string text = RunToFailure(Page({{"/short.bin", ""}}));
    ExpectError(501, 0);
    EXPECT_EQ(text, std::string(kDownloadHeadline) + "[D:501]");
    EXPECT_TRUE(IsHidden(".short.bin.kivpart")) << "the partial file is kept for a later run";
}

// --- Local files.

TEST_F(ErrorCodeRunTest, ImpossibleFreeSpaceIsTheDiskFull) {
    CannedResponse huge = CannedResponse::Ok("");
    huge.autoContentLength = false;
    huge.headers.push_back("Content-Length: 1000000000000000");  // a petabyte
    server.SetDefault(huge);
    const std::string text = RunToFailure(Page({{"/huge.bin", ""}}));
    EXPECT_EQ(control->Run().Error().errorCode, 104);
    EXPECT_EQ(text.rfind(std::string(kDownloadHeadline) + "The disk is full.[D:104", 0), 0u)
        << text;
}

TEST_F(ErrorCodeRunTest, LocalPathOfTwoHundredSixtyBytesIsRefused) {
    server.ServeContent(PatternContent(1000), kLastModified);
    const std::size_t folderBytes = DownloadsWindows().size() + 1;  // with its backslash
    ASSERT_LT(folderBytes, 200u);
    const std::string name = std::string(260 - folderBytes - 4, 'n') + ".bin";
    CParamTagBag page = Page({{"/a.bin", ""}});
    page.Add("cname1", name);
    const std::string text = RunToFailure(page);
    ExpectError(102, 0);
    EXPECT_EQ(text, std::string(kDownloadHeadline) + "The temporary file path is invalid.[D:102]");
    EXPECT_FALSE(Exists(name));
}

TEST_F(ErrorCodeRunTest, DirectoryInPlaceOfTheLocalFileIsAFileError) {
    server.ServeContent(PatternContent(1000), kLastModified);
    std::filesystem::create_directories(DownloadsNative("a.bin/inside"));
    fakes.boxes.Script({IDYES});  // resume what is there
    ChooseDownloads();
    Start(Page({{"/a.bin", ""}}));
    ASSERT_TRUE(PumpUntilBrowserQuits());
    PumpPending();
    ASSERT_EQ(fakes.boxes.Count(), 2u);
    const std::string text = fakes.boxes.Boxes()[1].text;
    EXPECT_EQ(control->Run().Error().errorCode, 100);
    EXPECT_NE(control->Run().Error().lastError, 0);
    EXPECT_NE(text.find("[D:100 E:"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::is_directory(DownloadsNative("a.bin/inside")))
        << "a folder of the user's is never removed";
}

TEST_F(ErrorCodeRunTest, HashedFileRemovedBeforeVerificationCannotBeHashed) {
    RunRemovingFirstFileDuringSecond(Sha256Hex(PatternContent(3000)));
    ExpectError(22, 2);
    ASSERT_EQ(fakes.boxes.Count(), 1u);
    EXPECT_EQ(fakes.boxes.Boxes()[0].text,
              "An error occurred during file verification.Hash value calculation failed."
              "[D:22 E:2]");
}

TEST_F(ErrorCodeRunTest, UnhashedFileRemovedBeforeFinalisationIsNotReportedAsDelivered) {
    RunRemovingFirstFileDuringSecond("");
    ExpectError(103, 2);
    ASSERT_EQ(fakes.boxes.Count(), 1u);
    EXPECT_EQ(fakes.boxes.Boxes()[0].text, "Renaming of the downloaded file failed." +
                                               env::GetSystemErrorText(2) + "[D:103 E:2]");
    EXPECT_TRUE(fakes.launcher.Launched().empty());
}

}  // namespace

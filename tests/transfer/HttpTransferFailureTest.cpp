// How a file transfer fails: codes, details, retry counters and what is left
// on disk.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "platform/InternetErrors.h"
#include "platform/InternetState.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/transfer/HttpTransferFixture.h"
#include "transfer/InternetFailure.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::FileTransferRequest;
using kivtransfer::InternetFailureCode;

namespace {

using HttpTransferFailureTest = HttpTransferFixture;

TEST_F(HttpTransferFailureTest, HtmlAnswerIsRefusedEvenWithStatus200) {
    for (const char* type : {"text/html", "TEXT/HTML", "text/html; charset=utf-8"}) {
        server.Enqueue(kivtest::CannedResponse::Ok("<html>busy</html>", type));
        CONTENTDATA& item = AddItem("/a.bin", "a.bin");
        control.error = {};
        EXPECT_FALSE(Transfer(control.items.size() - 1)) << type;
        EXPECT_EQ(control.error.errorCode, 303) << type;
        EXPECT_EQ(control.error.lastError, 200u) << type;
        EXPECT_EQ(item.connectRetries + item.sizeRetries, 0);
    }
}

TEST_F(HttpTransferFailureTest, ShortBodyIs501AndCountsASizeRetry) {
    kivtest::CannedResponse cut = kivtest::CannedResponse::File(Content(30000), kLastModified);
    cut.bodyBytesSent = 20000;
    cut.ending = kivtest::CannedResponse::Ending::Close;
    server.Enqueue(cut);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 30000;
    item.sizeRetries = 4;

    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 501);
    // The chunks that arrived reset the counter before this failure counted.
    EXPECT_EQ(item.sizeRetries, 1);
    EXPECT_TRUE(LocalHolds("a.bin", Content(30000).substr(0, 20000)));
}

TEST_F(HttpTransferFailureTest, UnknownSizePassesTheCompletenessTest) {
    kivtest::CannedResponse cut = kivtest::CannedResponse::Ok(Content(100));
    server.Enqueue(cut);
    AddItem("/a.bin", "a.bin");  // size 0: not reported

    EXPECT_TRUE(Transfer());
    EXPECT_TRUE(LocalHolds("a.bin", Content(100)));
}

TEST_F(HttpTransferFailureTest, BodyLongerThanAnnouncedIs501AndTheRetryStartsOver) {
    server.Enqueue(kivtest::CannedResponse::Ok(Content(40000)));
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 30000;

    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 501);
    EXPECT_EQ(item.sizeRetries, 1);

    // The retry as the download phase makes it: no range, the file anew.
    control.error = {};
    item.flags |= CDF_RETRY;
    server.ServeContent(Content(30000), kLastModified);
    ASSERT_TRUE(Transfer()) << control.error.errorCode;
    const auto gets = RequestsOf("GET");
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_FALSE(gets[1].Header("Range").has_value());
    EXPECT_TRUE(LocalHolds("a.bin", Content(30000)));
}

TEST_F(HttpTransferFailureTest, StalledReadIs304AndCountsAConnectionRetry) {
    server.Enqueue(StalledFile(40000, 20000));
    control.timings.readTimeoutMs = 1000;  // the first 16 KiB must arrive in time
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 40000;

    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 304);
    EXPECT_EQ(item.connectRetries, 1);
    // Whole chunks only: what the timed-out read held is asked for again.
    EXPECT_TRUE(LocalHolds("a.bin", Content(40000).substr(0, 16384)));
}

TEST_F(HttpTransferFailureTest, CancelEndsABlockedReadWithCode1) {
    server.Enqueue(StalledFile(40000, 100));
    control.timings.readTimeoutMs = 60000;  // a read that is not cancelled outlives the test
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 40000;

    std::thread canceller([this] {
        while (RequestsOf("GET").empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        control.Cancel();
    });
    EXPECT_FALSE(Transfer());
    canceller.join();
    EXPECT_EQ(control.error.errorCode, 1);
    EXPECT_EQ(item.connectRetries, 0);
}

TEST_F(HttpTransferFailureTest, HeldReadGateEndsTheBody) {
    server.ServeContent(Content(1000), kLastModified);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 1000;
    control.HoldReadGate();

    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 501);
    EXPECT_EQ(ReadLocal("a.bin"), "");
}

TEST_F(HttpTransferFailureTest, ProxyAuthenticationAnsweredWithRetrySendsTheRequestAgain) {
    kivtest::CannedResponse proxyAuth = kivtest::CannedResponse::Status(407);
    proxyAuth.headers.push_back("Proxy-Authenticate: Basic realm=\"proxy\"");
    server.Enqueue(proxyAuth);
    server.ServeContent(Content(500), kLastModified);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 500;
    control.proxyAnswers.push_back({ERROR_INTERNET_FORCE_RETRY, "", ""});

    ASSERT_TRUE(Transfer()) << control.error.errorCode;
    EXPECT_EQ(control.ProxyQuestions(), 1);
    const auto gets = RequestsOf("GET");
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[0].requestLine, gets[1].requestLine);
    EXPECT_EQ(gets[0].headerLines, gets[1].headerLines);
    EXPECT_TRUE(LocalHolds("a.bin", Content(500)));
}

TEST_F(HttpTransferFailureTest, ProxyAuthenticationDeclinedIs301With407) {
    server.SetDefault(kivtest::CannedResponse::Status(407));
    AddItem("/a.bin", "a.bin");
    control.proxyAnswers.push_back({0, "", ""});

    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 301);
    EXPECT_EQ(control.error.lastError, 407u);
    EXPECT_EQ(RequestsOf("GET").size(), 1u);
}

TEST_F(HttpTransferFailureTest, ConnectionResetDuringTheBodyPausesBeforeReturning) {
    kivtest::CannedResponse reset = kivtest::CannedResponse::File(Content(60000), kLastModified);
    reset.bodyBytesSent = 20000;
    reset.ending = kivtest::CannedResponse::Ending::Reset;
    server.Enqueue(reset);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 60000;

    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 300);
    EXPECT_EQ(item.connectRetries, 1);
    EXPECT_EQ(control.error.lastError, win::ERROR_INTERNET_CONNECTION_RESET);
    EXPECT_EQ(control.Sleeps(), std::vector<std::uint32_t>{1000});
}

TEST_F(HttpTransferFailureTest, RefusalBeforeTheBodyLeavesNoFileOfItsOwn) {
    struct Case {
        const char* what;
        kivtest::CannedResponse answer;
        std::uint64_t size;
        std::string partial;  // a file to resume, kept whatever happens
        std::int32_t code;
        std::uint32_t lastError;
    };
    const Case cases[] = {
        {"HTML page", kivtest::CannedResponse::Html("<html>busy</html>"), 0, "", 303, 200},
        {"404 after a good size query", kivtest::CannedResponse::Status(404), 0, "", 301, 404},
        {"HTML page while resuming", kivtest::CannedResponse::Html("<html/>"), 0, "begun", 303,
         200},
        {"no room", kivtest::CannedResponse::Ok(Content(10)), 1ull << 62, "", 104, 112},
    };
    for (const Case& c : cases) {
        server.Enqueue(c.answer);
        CONTENTDATA& item = AddItem("/a.bin", "a.bin");
        item.size = c.size;
        if (!c.partial.empty()) {
            WriteLocal("a.bin", c.partial);
            item.flags = CDF_RESUME;
        }
        control.error = {};

        EXPECT_FALSE(Transfer(control.items.size() - 1)) << c.what;
        EXPECT_EQ(control.error.errorCode, c.code) << c.what;
        EXPECT_EQ(control.error.lastError, c.lastError) << c.what;
        if (c.partial.empty()) {
            EXPECT_FALSE(LocalExists("a.bin")) << c.what;
        } else {
            EXPECT_EQ(ReadLocal("a.bin"), c.partial) << c.what;
        }
    }
    EXPECT_EQ(RequestsOf("GET").size(), 3u);  // none when there is no room
}

// The server takes the request and never answers: a size query or a transfer
// must end on cancel, not when the receive time-out (30 s) runs out.
class CancelBeforeAnswerTest : public HttpTransferFixture,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(CancelBeforeAnswerTest, CancelEndsTheWaitForAnAnswerThatNeverComes) {
    const std::string method = GetParam();
    kivtest::CannedResponse silent = kivtest::CannedResponse::File(Content(100), kLastModified);
    silent.headDelayMs = 120000;  // until the server stops
    server.Enqueue(silent);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    std::thread canceller([this, method] {
        while (RequestsOf(method).empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        control.Cancel();
    });
    const bool done = method == "HEAD" ? SizeQuery(control, item.url, item) : Transfer();
    canceller.join();
    EXPECT_FALSE(done);
    EXPECT_EQ(control.error.errorCode, 1);
}

INSTANTIATE_TEST_SUITE_P(SizeQueryAndTransfer, CancelBeforeAnswerTest,
                         ::testing::Values("HEAD", "GET"));

TEST_F(HttpTransferFailureTest, BadUrlOrLocalPath) {
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.url = "ftp://127.0.0.1/a.bin";
    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 201);

    control.error = {};
    item.url = server.Url("/a.bin");
    item.localPath = "relative\\a.bin";
    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 102);
    EXPECT_TRUE(server.Requests().empty());

    control.error = {};
    FileTransferRequest noSuchItem;
    noSuchItem.itemIndex = 1;
    EXPECT_FALSE(FileTransfer(control, noSuchItem));
    EXPECT_EQ(control.error.errorCode, 999);
}

TEST_F(HttpTransferFailureTest, RedirectFromHttpsToHttpIsRefusedNamingBothUrls) {
    const kivtest::TestCertificate certificate = kivtest::MakeSelfSignedCertificate();
    std::ofstream(NativePath("ca.pem")) << certificate.certPem;
    envtest::ScopedEnvVar extraCa("KIVDL_EXTRA_CA_FILE", NativePath("ca.pem"));
    kivtest::CannedServer secure({certificate, false});
    secure.Enqueue(kivtest::CannedResponse::Redirect(302, "/moved.bin"));  // still https
    secure.Enqueue(kivtest::CannedResponse::Redirect(301, server.Url("/a.bin")));
    server.ServeContent(Content(100), kLastModified);
    CONTENTDATA item;

    EXPECT_FALSE(SizeQuery(control, secure.Url("/a.bin"), item));
    EXPECT_EQ(control.error.errorCode, 300);
    EXPECT_EQ(control.error.lastError, win::ERROR_HTTP_REDIRECT_FAILED);
    EXPECT_EQ(control.error.errorDetail, secure.Url("/moved.bin") + " -> " + server.Url("/a.bin"));
    EXPECT_EQ(secure.Requests().size(), 2u);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(HttpTransferFailureTest, PauseWhileTheBrowserAsksToLeave) {
    server.ServeContent(Content(100), kLastModified);
    AddItem("/a.bin", "a.bin");
    control.leavePromptPending = true;
    control.browserDialogAnswers = {{true, 1}, {true, 0}};  // still open, then closed

    ASSERT_TRUE(Transfer());
    EXPECT_EQ(control.MessagesOf(CTLM_BROWSERDIALOG).size(), 2u);
    EXPECT_EQ(control.Sleeps(), (std::vector<std::uint32_t>{500, 500}));

    // Without an answer the cancel check decides.
    control.leavePromptPending = true;
    control.browserDialogAnswers = {{false, 0}};
    control.Cancel();
    control.error = {};
    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 1);
}

TEST(InternetFailureCodeTest, OfflineRuleForNumbersBelowWinInet) {
    EXPECT_EQ(InternetFailureCode(12029), 300);
    EXPECT_EQ(InternetFailureCode(5), 300);
    win::ForceWorkOfflineForTesting(true);
    EXPECT_EQ(InternetFailureCode(5), 305);
    EXPECT_EQ(InternetFailureCode(12029), 300);
    win::ForceWorkOfflineForTesting(false);
}

}  // namespace

// The download phase's retry rules: connection failures (300, 304) up to 11
// attempts in a row with a pause, short bodies (501) up to 101 at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "env/Application.h"
#include "tests/support/RecordingReport.h"
#include "tests/transfer/HttpTransferFixture.h"
#include "transfer/DownloadPhase.h"
#include "transfer/VersionFile.h"

using kivtransfer::CONTENTDATA;
using kivtransfer::CVersionFile;
using kivtransfer::DownloadPhase;

namespace {

class DownloadPhaseRetryTest : public HttpTransferFixture {
protected:
    static constexpr std::size_t kSize = 3000;

    // The HEAD, then `failures` times `failure`, then the file. The HEAD's
    // connection ends, so each failure meets a new connection: libcurl sends
    // a request again by itself when a kept-alive connection turns out dead.
    void Script(const kivtest::CannedResponse& failure, int failures) {
        kivtest::CannedResponse head = kivtest::CannedResponse::File(Content(kSize), kLastModified);
        head.ending = kivtest::CannedResponse::Ending::Close;
        server.Enqueue(head);
        for (int i = 0; i < failures; ++i) {
            server.Enqueue(failure);
        }
        server.ServeContent(Content(kSize), kLastModified);
        AddItem("/a.bin", "a.bin");
    }

    static kivtest::CannedResponse EmptyBody() {
        kivtest::CannedResponse cut = kivtest::CannedResponse::File(Content(kSize), kLastModified);
        cut.bodyBytesSent = 0;
        cut.ending = kivtest::CannedResponse::Ending::Close;
        return cut;
    }

    std::size_t RetryNotices() const {
        std::size_t notices = 0;
        for (const RecordedMessage& rate : control.MessagesOf(DLGM_RATETIME)) {
            notices += rate.wParam == 0 && rate.lParam == -3 ? 1 : 0;
        }
        return notices;
    }
};

TEST_F(DownloadPhaseRetryTest, TenConnectionFailuresAreRetriedThreeSecondsApart) {
    Script(kivtest::CannedResponse::Reset(), 10);

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_TRUE(LocalHolds(Part("a.bin"), Content(kSize)));
    EXPECT_EQ(RequestsOf("GET").size(), 11u);
    EXPECT_EQ(control.Sleeps(), std::vector<std::uint32_t>(10, 3000));
    EXPECT_EQ(RetryNotices(), 10u);
    EXPECT_EQ(control.error.errorCode, 0);
}

TEST_F(DownloadPhaseRetryTest, TheHostsReportHearsEachAttemptAndTheExchange) {
    Script(kivtest::CannedResponse::Reset(), 2);
    RecordingReport report;
    control.report = &report;

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_EQ(report.events,
              (std::vector<std::string>{"started a.bin 0/1", "retry a.bin 300 2 of 11",
                                        "retry a.bin 300 3 of 11", "done a.bin 3000"}));
    const std::string url = control.items[0]->url;
    const auto has = [&](const std::string& line) {
        return std::find(report.http.begin(), report.http.end(), line) != report.http.end();
    };
    EXPECT_TRUE(has("HEAD " + url));
    EXPECT_TRUE(has("GET " + url));
    EXPECT_TRUE(has("HTTP status 200"));
    EXPECT_TRUE(has("  Content-Length: 3000"));
    EXPECT_TRUE(has(std::string("  Last-Modified: ") + kLastModified));
    // The dialog's overall bar is told the run's bytes once they are known.
    const auto runBytes = control.MessagesOf(DLGM_RUNBYTES);
    ASSERT_EQ(runBytes.size(), 1u);
    EXPECT_EQ(runBytes[0].wParam, kSize);
}

// What arrived is counted as it arrives: a size query's failures are heard
// too, a range the server answers with the whole file counts every byte it
// sent, and a file that never ends tells what came of it.
TEST_F(DownloadPhaseRetryTest, TheReportCountsWhatArrivedInEveryPhase) {
    server.Enqueue(kivtest::CannedResponse::Reset());
    kivtest::CannedResponse head = kivtest::CannedResponse::File(Content(kSize), kLastModified);
    head.ending = kivtest::CannedResponse::Ending::Close;
    server.Enqueue(head);
    server.Enqueue(kivtest::CannedResponse::Ok(Content(kSize)));  // the range ignored
    AddItem("/a.bin", "a.bin");
    WriteLocal("a.bin", Content(kSize).substr(0, 1000));
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    ASSERT_TRUE(versionFile.Set(WindowsPath("a.bin"), WindowsPath("a.bin"), kLastModified, 0));
    ASSERT_TRUE(versionFile.Save());
    RecordingReport report;
    control.report = &report;

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_EQ(report.events, (std::vector<std::string>{"retry a.bin 300 2 of 12",
                                                       "started a.bin 0/1", "done a.bin 3000"}));
    EXPECT_TRUE(LocalHolds("a.bin", Content(kSize)));
}

TEST_F(DownloadPhaseRetryTest, EleventhConnectionFailureEndsThePhase) {
    Script(kivtest::CannedResponse::Reset(), 11);

    EXPECT_FALSE(DownloadPhase(control));
    EXPECT_EQ(control.error.errorCode, 300);
    EXPECT_EQ(RequestsOf("GET").size(), 11u);
    EXPECT_EQ(control.items[0]->connectRetries, 11);
    EXPECT_EQ(control.MessagesOf(DLGM_STATUS).back().text,
              "An error occurred during the download.");
}

TEST_F(DownloadPhaseRetryTest, HundredShortBodiesAreRetriedAtOnce) {
    Script(EmptyBody(), 100);

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    EXPECT_EQ(RequestsOf("GET").size(), 101u);
    EXPECT_TRUE(LocalHolds(Part("a.bin"), Content(kSize)));
    EXPECT_TRUE(control.Sleeps().empty());
    EXPECT_EQ(RetryNotices(), 0u);
}

TEST_F(DownloadPhaseRetryTest, HundredAndFirstShortBodyEndsWith501) {
    Script(EmptyBody(), 101);

    EXPECT_FALSE(DownloadPhase(control));
    EXPECT_EQ(control.error.errorCode, 501);
    EXPECT_EQ(RequestsOf("GET").size(), 101u);
}

TEST_F(DownloadPhaseRetryTest, ChunkedBodyCutShortIsResumedNotDelivered) {
    const std::string content = Content(50000);
    // No size from the size query; the first body lacks its last chunk.
    server.Enqueue(kivtest::CannedResponse::Raw(
        "HTTP/1.1 200 OK\r\nLast-Modified: " + std::string(kLastModified) + "\r\n\r\n"));
    server.Enqueue(kivtest::CannedResponse::Raw(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4e20\r\n" + content.substr(0, 20000) +
        "\r\n"));
    server.ServeContent(content, kLastModified);
    AddItem("/a.bin", "a.bin");

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    const auto gets = RequestsOf("GET");
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[1].Header("Range"), "bytes=20000-");
    EXPECT_TRUE(LocalHolds(Part("a.bin"), content));
}

TEST_F(DownloadPhaseRetryTest, RangeAnsweredWithAWholeFileThatBreaksOffEndsWith501) {
    // Every answer restarts the file and ends short of the announced size:
    // no progress, however many bytes each brought.
    kivtest::CannedResponse head = kivtest::CannedResponse::Status(200);
    head.autoContentLength = false;
    head.headers.push_back("Content-Length: 100000");
    server.Enqueue(head);
    for (int i = 0; i < 150; ++i) {
        server.Enqueue(kivtest::CannedResponse::Ok(Content(20000)));
    }
    AddItem("/a.bin", "a.bin");

    EXPECT_FALSE(DownloadPhase(control));
    EXPECT_EQ(control.error.errorCode, 501);
    const auto gets = RequestsOf("GET");
    ASSERT_EQ(gets.size(), 101u);
    EXPECT_EQ(gets[100].Header("Range"), "bytes=20000-");
}

TEST_F(DownloadPhaseRetryTest, BodyLongerThanItsSizeAsksForTheSizeAgainOnce) {
    const char* changed = "Thu, 02 Jul 2015 00:00:00 GMT";
    struct Case {
        const char* what;
        std::size_t sizeAskedAgain;
        bool done;
        const char* fileName;
    };
    // Several chunks of the body arrive before the excess shows.
    for (const Case& c : {Case{"changed once", 40001, true, "a.bin"},
                          Case{"changed again", 40000, false, "b.bin"}}) {
        control.items.clear();
        control.error = {};
        kivtest::CannedServer source;
        source.Enqueue(kivtest::CannedResponse::File(Content(40000), kLastModified));
        source.Enqueue(kivtest::CannedResponse::Ok(Content(40001)));
        source.Enqueue(kivtest::CannedResponse::File(Content(c.sizeAskedAgain), changed));
        source.Enqueue(kivtest::CannedResponse::Ok(Content(40001)));
        source.SetDefault(kivtest::CannedResponse::Status(404));
        CONTENTDATA& item = control.AddItem(source.Url("/a.bin"), {}, c.fileName);
        item.hash = Sha256Hex(Content(40001));

        EXPECT_EQ(DownloadPhase(control), c.done) << c.what;
        std::size_t gets = 0, heads = 0;
        for (const kivtest::RecordedRequest& request : source.Requests()) {
            gets += request.Method() == "GET" ? 1 : 0;
            heads += request.Method() == "HEAD" ? 1 : 0;
        }
        EXPECT_EQ(gets, 2u) << c.what;
        EXPECT_EQ(heads, 2u) << c.what;
        if (c.done) {
            EXPECT_TRUE(LocalHolds(Part(c.fileName), Content(40001))) << c.what;
            EXPECT_EQ(item.size, 40001u) << c.what;
            EXPECT_EQ(item.lastModified, changed) << c.what;
            // The restarted file's digest holds none of the first version's bytes.
            EXPECT_EQ(CarriedDigest(item), item.hash) << c.what;
        } else {
            EXPECT_EQ(control.error.errorCode, 501) << c.what;
        }
    }
}

TEST_F(DownloadPhaseRetryTest, StalledReadIsRetriedAsAConnectionFailureAndResumed) {
    server.Enqueue(kivtest::CannedResponse::File(Content(40000), kLastModified));
    server.Enqueue(StalledFile(40000, 20000));
    server.ServeContent(Content(40000), kLastModified);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.hash = Sha256Hex(Content(40000));
    control.timings.readTimeoutMs = 1000;  // the first 16 KiB must arrive in time

    ASSERT_TRUE(DownloadPhase(control)) << control.error.errorCode;
    const auto gets = RequestsOf("GET");
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[1].Header("Range"), "bytes=16384-");
    EXPECT_TRUE(LocalHolds(Part("a.bin"), Content(40000)));
    EXPECT_EQ(CarriedDigest(item), item.hash);  // continued across the attempts
    EXPECT_EQ(control.Sleeps(), std::vector<std::uint32_t>{3000});
}

TEST_F(DownloadPhaseRetryTest, CancelledRunSaysSo) {
    Script(StalledFile(kSize, 0), 1);
    control.timings.readTimeoutMs = 60000;
    std::thread canceller([this] {
        while (RequestsOf("GET").empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        control.Cancel();
    });

    EXPECT_FALSE(DownloadPhase(control));
    canceller.join();
    EXPECT_EQ(control.error.errorCode, 1);
    EXPECT_EQ(control.MessagesOf(DLGM_STATUS).back().text, "Download has been cancelled.");
}

TEST_F(DownloadPhaseRetryTest, LocalFileErrorIs100WithoutAStatusText) {
    Script(EmptyBody(), 0);
    control.destinationFolder += "\\missing";

    EXPECT_FALSE(DownloadPhase(control));
    EXPECT_EQ(control.error.errorCode, 100);
    EXPECT_EQ(control.error.lastError, 3u);  // path not found
    EXPECT_EQ(control.MessagesOf(DLGM_STATUS).back().text, "Downloading file(s).");
}

}  // namespace

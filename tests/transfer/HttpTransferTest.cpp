// The size query and the file transfer against the canned server: request
// lines, the file written, the item's fields and the posted progress.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/FileApi.h"
#include "platform/InternetErrors.h"
#include "transfer/HeldFile.h"
#include "tests/transfer/HttpTransferFixture.h"

using kivtransfer::CONTENTDATA;

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

using HttpSizeQueryTest = HttpTransferFixture;
using HttpTransferTest = HttpTransferFixture;

TEST_F(HttpSizeQueryTest, HeadGivesSizeAndLastModified) {
    server.ServeContent(Content(1234), kLastModified);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");

    ASSERT_TRUE(SizeQuery(control, item.url, item));
    EXPECT_EQ(item.size, 1234u);
    EXPECT_EQ(item.lastModified, kLastModified);
    const auto heads = RequestsOf("HEAD");
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].requestLine, "HEAD /a.bin HTTP/1.1");
    // The whole header block: a header a libcurl upgrade adds shows here.
    EXPECT_THAT(
        heads[0].headerLines,
        ElementsAre("Host: 127.0.0.1:" + std::to_string(server.Port()), "Accept: */*",
                    "User-Agent: Kiv Downloader", "Pragma: no-cache", "Cache-Control: no-cache"));
}

TEST_F(HttpSizeQueryTest, ContentLengthInHexadecimalOrNotANumber) {
    struct Case {
        const char* contentLength;
        std::uint64_t expected;
    };
    for (const Case& c : {Case{"0x1A", 26}, Case{"0X1a", 26}, Case{"12a", 777}, Case{"0x", 777}}) {
        kivtest::CannedResponse head = kivtest::CannedResponse::Status(200);
        head.autoContentLength = false;
        head.headers.push_back(std::string("Content-Length: ") + c.contentLength);
        server.Enqueue(head);
        CONTENTDATA item;
        item.size = 777;
        item.lastModified = "stale";
        ASSERT_TRUE(SizeQuery(control, server.Url("/x"), item)) << c.contentLength;
        EXPECT_EQ(item.size, c.expected) << c.contentLength;
        EXPECT_EQ(item.lastModified, "") << "no Last-Modified header";
    }
}

TEST_F(HttpSizeQueryTest, EndlessResponseHeadIsAnInvalidServerResponse) {
    // One line that never ends, and lines that never stop.
    for (const std::string& head :
         {"HTTP/1.1 200 OK\r\nX-Pad: " + std::string(1 << 20, 'a'), "HTTP/1.1 200 OK\r\n" + [] {
              std::string lines;
              for (int i = 0; i < 20000; ++i) lines += "X-Pad: aaaaaaaaaaaaaaaaaaaaaaaa\r\n";
              return lines;
          }()}) {
        server.Enqueue(kivtest::CannedResponse::Raw(head));
        CONTENTDATA item;
        control.error = {};
        EXPECT_FALSE(SizeQuery(control, server.Url("/x"), item));
        EXPECT_EQ(control.error.errorCode, 300);
        EXPECT_EQ(control.error.lastError, win::ERROR_HTTP_INVALID_SERVER_RESPONSE);
    }
}

// A length that is empty or beyond 64 bits says nothing of the body; with
// no body after it, the transfer must not pass for a complete empty file.
TEST_F(HttpTransferTest, UnusableContentLengthIsAnInvalidServerResponse) {
    for (const char* length :
         {"", "   ", "99999999999999999999", "9223372036854775808", "0x1FFFFFFFFFFFFFFFF"}) {
        for (const bool head : {true, false}) {
            kivtest::CannedResponse answer = kivtest::CannedResponse::Raw(
                std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + length + "\r\n\r\n");
            server.Enqueue(answer);
            control.error = {};
            CONTENTDATA& item = AddItem("/x.bin", "x.bin");
            const bool ok = head ? SizeQuery(control, item.url, item) : Transfer(control.items.size() - 1);
            EXPECT_FALSE(ok) << "'" << length << "' head " << head;
            EXPECT_EQ(control.error.errorCode, 300) << "'" << length << "' head " << head;
            EXPECT_EQ(control.error.lastError, win::ERROR_HTTP_INVALID_SERVER_RESPONSE)
                << "'" << length << "' head " << head;
        }
    }
    // The largest length a 64-bit size holds is still a length.
    kivtest::CannedResponse head = kivtest::CannedResponse::Status(200);
    head.autoContentLength = false;
    head.headers.push_back("Content-Length: 9223372036854775807");
    server.Enqueue(head);
    CONTENTDATA item;
    ASSERT_TRUE(SizeQuery(control, server.Url("/x"), item));
    EXPECT_EQ(item.size, 9223372036854775807u);
}

TEST_F(HttpSizeQueryTest, RefusalsAndBadUrls) {
    server.Enqueue(kivtest::CannedResponse::Status(403));
    CONTENTDATA item;
    EXPECT_FALSE(SizeQuery(control, server.Url("/x"), item));
    EXPECT_EQ(control.error.errorCode, 301);
    EXPECT_EQ(control.error.lastError, 403u);

    control.error = {};
    EXPECT_FALSE(SizeQuery(control, "ftp://127.0.0.1/x", item));
    EXPECT_EQ(control.error.errorCode, 201);

    control.error = {};
    const std::uint16_t port = server.Port();
    server.Stop();
    EXPECT_FALSE(SizeQuery(control, "http://127.0.0.1:" + std::to_string(port) + "/x", item));
    EXPECT_EQ(control.error.errorCode, 300);
    EXPECT_EQ(control.error.lastError, 12029u);  // cannot connect
}

TEST_F(HttpTransferTest, FreshTransferSendsNoRangeAndWritesAHiddenFile) {
    const std::string content = Content(40000);
    server.ServeContent(content, kLastModified);
    CONTENTDATA& item = AddItem("/dir/a.bin", "a.bin");
    item.size = content.size();
    item.lastModified = kLastModified;
    WriteLocal("a.bin", "left over from another source");

    ASSERT_TRUE(Transfer()) << control.error.errorCode;
    EXPECT_TRUE(LocalHolds("a.bin", content));
    const auto gets = RequestsOf("GET");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(gets[0].requestLine, "GET /dir/a.bin HTTP/1.1");
    EXPECT_THAT(gets[0].headerLines, ElementsAre("Host: 127.0.0.1:" + std::to_string(server.Port()),
                                                 "Accept: */*", "User-Agent: Kiv Downloader",
                                                 "Pragma: no-cache", "Cache-Control: no-cache"));
    EXPECT_NE(item.flags & CDF_RECEIVING, 0u);
    EXPECT_EQ(win::GetFileAttributes(item.localPath) & win::FILE_ATTRIBUTE_HIDDEN,
              win::FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(HttpTransferTest, ResumeContinuesAPartialFileWithARange) {
    const std::string content = Content(50000);
    server.ServeContent(content, kLastModified);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = content.size();
    item.lastModified = kLastModified;
    item.flags = CDF_PREPARED | CDF_RESUME;
    WriteLocal("a.bin", content.substr(0, 12345));

    ASSERT_TRUE(Transfer()) << control.error.errorCode;
    EXPECT_TRUE(LocalHolds("a.bin", content));
    const auto gets = RequestsOf("GET");
    ASSERT_EQ(gets.size(), 1u);
    // The range holds only for the version the file began with.
    EXPECT_EQ(gets[0].requestLine, "GET /a.bin HTTP/1.1");
    EXPECT_THAT(gets[0].headerLines,
                ElementsAre("Host: 127.0.0.1:" + std::to_string(server.Port()), "Accept: */*",
                            "User-Agent: Kiv Downloader", "Range: bytes=12345-",
                            std::string("If-Range: ") + kLastModified, "Pragma: no-cache",
                            "Cache-Control: no-cache"));
    // Progress counts from the start of the file, and ends at the item's size.
    const auto positions = control.MessagesOf(DLGM_CURRENTPOS);
    ASSERT_GE(positions.size(), 2u);
    EXPECT_EQ(positions.front().Value64(), 12345u + 16384u);
    EXPECT_EQ(positions.back().Value64(), content.size());
}

TEST_F(HttpTransferTest, RetryAfterReceivingResumesWithoutTheResumeFlag) {
    const std::string content = Content(3000);
    server.ServeContent(content, kLastModified);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = content.size();
    item.flags = CDF_RETRY | CDF_RECEIVING;
    WriteLocal("a.bin", content.substr(0, 1000));

    ASSERT_TRUE(Transfer());
    EXPECT_TRUE(LocalHolds("a.bin", content));
    EXPECT_EQ(RequestsOf("GET").at(0).Header("Range"), "bytes=1000-");
}

TEST_F(HttpTransferTest, ServerIgnoringTheRangeRestartsTheFile) {
    const std::string content = Content(20000);
    server.SetDefault(kivtest::CannedResponse::Ok(content));  // always 200, whole body
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = content.size();
    item.flags = CDF_RESUME;
    item.hash = Sha256Hex(content);
    WriteLocal("a.bin", content.substr(0, 5000));

    ASSERT_TRUE(Transfer()) << control.error.errorCode;
    EXPECT_EQ(RequestsOf("GET").at(0).Header("Range"), "bytes=5000-");
    EXPECT_TRUE(LocalHolds("a.bin", content));  // not the first 5000 bytes twice
    EXPECT_EQ(CarriedDigest(item), item.hash);  // nor hashed twice
    EXPECT_EQ(control.MessagesOf(DLGM_CURRENTPOS).front().Value64(), 16384u);
}

TEST_F(HttpTransferTest, RangeOfAnotherVersion) {
    const std::string content = Content(20000);
    const std::string changed = "Thu, 02 Jul 2015 00:00:00 GMT";
    kivtest::CannedResponse whole = kivtest::CannedResponse::Ok(content);
    whole.headers.push_back("Last-Modified: " + changed);
    struct Case {
        const char* what;
        kivtest::CannedResponse answer;
        bool done;
    };
    // A server that honours If-Range sends the whole new file: it replaces the
    // old part. One that does not sends the range of the new file: the item
    // starts over rather than splice two versions.
    for (const Case& c :
         {Case{"200 under If-Range", whole, true},
          Case{"206 of another date", kivtest::CannedResponse::File(content, changed), false}}) {
        // Each case's item takes the file over from the one before, as a
        // new run does: a finished transfer holds its file until placed.
        kivtransfer::ReleaseHeldFiles(control.items);
        server.Enqueue(c.answer);
        CONTENTDATA& item = AddItem("/a.bin", "a.bin");
        item.size = content.size();
        item.lastModified = kLastModified;
        item.flags = CDF_RESUME;
        WriteLocal("a.bin", Content(5000));
        control.error = {};

        ASSERT_EQ(Transfer(control.items.size() - 1), c.done) << c.what;
        if (c.done) {
            EXPECT_TRUE(LocalHolds("a.bin", content)) << c.what;
            EXPECT_EQ(item.lastModified, changed) << c.what;  // recorded for the next resume
            EXPECT_EQ(item.sourceChanges, 0) << c.what;
        } else {
            EXPECT_EQ(control.error.errorCode, 501) << c.what;
            EXPECT_EQ(item.sourceChanges, 1) << c.what;
            EXPECT_EQ(item.flags & (CDF_RESUME | CDF_RECEIVING), 0u) << c.what;
            EXPECT_EQ(ReadLocal("a.bin").size(), 5000u) << c.what;
        }
    }
}

TEST_F(HttpTransferTest, LocalFileAsLongAsTheItemOrLonger) {
    const std::string content = Content(1000);
    server.SetDefault(kivtest::CannedResponse::Ok(content));
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = content.size();

    // Longer: no false "disk full"; the whole answer replaces the file.
    item.flags = CDF_RETRY | CDF_RECEIVING;
    WriteLocal("a.bin", Content(1500));
    ASSERT_TRUE(Transfer()) << control.error.errorCode;
    EXPECT_TRUE(LocalHolds("a.bin", content));
    EXPECT_EQ(RequestsOf("GET").size(), 1u);

    // Exactly as long on a retry: the body is all there; a range from its
    // end would only be refused.
    server.SetDefault(kivtest::CannedResponse::Status(416));
    ASSERT_TRUE(Transfer()) << control.error.errorCode;
    EXPECT_TRUE(LocalHolds("a.bin", content));
    EXPECT_EQ(RequestsOf("GET").size(), 1u);
}

TEST_F(HttpTransferTest, CompleteItemIsSkippedButItsBarIsFilled) {
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 4321;
    item.flags = CDF_PREPARED | CDF_COMPLETE;
    WriteLocal("a.bin", "keep me");

    ASSERT_TRUE(Transfer());
    EXPECT_TRUE(RequestsOf("GET").empty());
    EXPECT_EQ(ReadLocal("a.bin"), "keep me");
    const auto positions = control.MessagesOf(DLGM_CURRENTPOS);
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_EQ(positions[0].Value64(), 4321u);
}

TEST_F(HttpTransferTest, VersionFileRecordsTheSourceBeforeTheFirstByte) {
    server.Enqueue(StalledFile(5000, 0));
    control.timings.readTimeoutMs = 300;
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = 5000;
    item.lastModified = kLastModified;

    EXPECT_FALSE(Transfer());
    EXPECT_EQ(control.error.errorCode, 304);
    EXPECT_EQ(item.connectRetries, 1);
    EXPECT_EQ(ReadLocal("a.bin"), "");
    std::string storedText;
    ASSERT_TRUE(RecordedText(item.localPath, storedText));
    EXPECT_EQ(storedText, kLastModified);
    EXPECT_EQ(win::GetFileAttributes(item.localPath) & win::FILE_ATTRIBUTE_HIDDEN,
              win::FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(HttpTransferTest, FirstAttemptAnnouncesTheTotalAndPostsRates) {
    const std::string content = Content(100000);
    server.ServeContent(content, kLastModified);
    CONTENTDATA& item = AddItem("/a.bin", "a.bin");
    item.size = content.size();
    control.counters.AddRemainingBytes(content.size());
    std::int64_t now = 0;
    control.meter.SetClock([&now] { return now += 1000; });  // every chunk one second later

    ASSERT_TRUE(Transfer());
    const auto totals = control.MessagesOf(DLGM_CURRENTTOTAL);
    ASSERT_EQ(totals.size(), 2u);
    EXPECT_EQ(totals[0].Value64(), 0u);
    EXPECT_EQ(totals[1].Value64(), content.size());
    EXPECT_EQ(control.counters.RemainingBytes(), 0u);
    const auto rates = control.MessagesOf(DLGM_RATETIME);
    ASSERT_GE(rates.size(), 3u);
    // The first figure spans one interval: no remaining time from it yet.
    EXPECT_EQ(rates.front().lParam, -1);
    EXPECT_TRUE(std::any_of(rates.begin(), rates.end(),
                            [](const RecordedMessage& rate) { return rate.lParam > 0; }));
    EXPECT_EQ(rates.back().lParam, 0);  // nothing left to do
    for (const RecordedMessage& rate : rates) {
        EXPECT_GT(rate.wParam, 0u);
        EXPECT_EQ(rate.kind, RecordedMessage::Kind::PostToWindow);
    }
}

}  // namespace

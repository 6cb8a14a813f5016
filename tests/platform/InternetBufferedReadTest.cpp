// Body reads served from what arrived before them: bodies several times the
// internal buffer, a reader that falls behind, cancellation and failures
// while bytes are held, and two requests of one session read in turns.
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/HttpConnection.h"
#include "platform/InternetTransfer.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/CannedServer.h"

namespace {

using inettest::ThrownError;
using kivtest::CannedResponse;
using win::ReadOutcome;

constexpr std::size_t kChunk = 16384;
constexpr std::size_t kBound = win::inet::Transfer::kBodyBufferBound;

// Lets the server fill the socket (and the reader's side fall behind).
void LagBehind() {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

class InternetBufferedReadTest : public inettest::CleanInternetEnvironment {
protected:
    inettest::OpenedRequest Get(CannedResponse response) {
        server.Enqueue(std::move(response));
        auto request = inettest::Open(server.Url("/file"), win::HTTP_VERB_GET);
        request.file->SendRequest(inettest::kUserAgentLine);
        return request;
    }

    kivtest::CannedServer server;
};

TEST_F(InternetBufferedReadTest, BodyOfManyBuffersArrivesWholeInChunkReads) {
    const std::string content = inettest::Pattern(4 * kBound + 1234);
    auto request = Get(CannedResponse::Ok(content));
    std::vector<char> buffer(kChunk);
    std::string body;
    std::vector<std::size_t> counts;
    for (;;) {
        const win::ReadResult result = request.file->Read(buffer.data(), kChunk, 5000);
        ASSERT_EQ(result.outcome, ReadOutcome::Complete);
        body.append(buffer.data(), result.count);
        counts.push_back(result.count);
        if (result.count == 0) {
            break;
        }
        if (counts.size() == 1 || counts.size() == 200) {
            LagBehind();  // the held bytes reach the bound and libcurl pauses
        }
    }
    ASSERT_EQ(body.size(), content.size());
    EXPECT_TRUE(body == content) << "first difference at "
                                 << std::mismatch(body.begin(), body.end(), content.begin()).first -
                                        body.begin();
    // Every read but the last two is full: held bytes never shorten a read.
    std::vector<std::size_t> expected(content.size() / kChunk, kChunk);
    expected.push_back(content.size() % kChunk);
    expected.push_back(0);
    EXPECT_EQ(counts, expected);
}

TEST_F(InternetBufferedReadTest, ReadLargerThanTheBufferIsFilledInOne) {
    const std::string content = inettest::Pattern(2 * kBound + 777);
    auto request = Get(CannedResponse::Ok(content));
    LagBehind();
    std::vector<char> buffer(content.size() + 100);
    const win::ReadResult result = request.file->Read(buffer.data(), buffer.size(), 5000);
    EXPECT_EQ(result.outcome, ReadOutcome::Complete);
    ASSERT_EQ(result.count, content.size());
    EXPECT_TRUE(std::equal(content.begin(), content.end(), buffer.begin()));
    EXPECT_EQ(request.file->Read(buffer.data(), kChunk, 5000).count, 0u);
}

TEST_F(InternetBufferedReadTest, CancelWhileBytesAreHeldLosesNone) {
    const std::size_t sent = 300000;
    const std::string content = inettest::Pattern(400000);
    CannedResponse response = CannedResponse::Ok(content);
    response.stallAfter = sent;
    response.stallMs = -1;  // until the server stops
    auto request = Get(response);
    LagBehind();  // all that is sent arrives with the first read
    std::vector<char> buffer(kChunk);
    win::ReadResult result = request.file->Read(buffer.data(), kChunk, 5000);
    ASSERT_EQ(result.outcome, ReadOutcome::Complete);
    ASSERT_EQ(result.count, kChunk);
    std::string body(buffer.data(), result.count);

    int cancel = eventfd(1, EFD_CLOEXEC);  // signalled
    ASSERT_GE(cancel, 0);
    result = request.file->Read(buffer.data(), kChunk, 5000, cancel);
    EXPECT_EQ(result.outcome, ReadOutcome::Cancelled);
    EXPECT_EQ(result.count, 0u);
    close(cancel);

    // The server sends nothing more: the rest comes from what was held, and
    // the read after it waits for the stalled server until its time-out.
    for (;;) {
        result = request.file->Read(buffer.data(), kChunk, 300);
        body.append(buffer.data(), result.count);
        if (result.outcome != ReadOutcome::Complete) {
            break;
        }
        ASSERT_EQ(result.count, kChunk);
    }
    EXPECT_EQ(result.outcome, ReadOutcome::TimedOut);
    EXPECT_EQ(result.count, sent % kChunk);
    EXPECT_TRUE(body == content.substr(0, sent)) << body.size();
}

TEST_F(InternetBufferedReadTest, FailureAfterHeldBytesComesAfterThem) {
    // Valid chunks, then a chunk size that is no number: libcurl fails the
    // transfer in the same receive that brought the bytes before it.
    const std::string content = inettest::Pattern(200000);
    std::string wire =
        "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
        "Transfer-Encoding: chunked\r\n\r\n";
    for (std::size_t offset = 0; offset < content.size(); offset += 50000) {
        wire += "C350\r\n" + content.substr(offset, 50000) + "\r\n";
    }
    wire += "zz\r\n";
    auto request = Get(CannedResponse::Raw(wire));
    LagBehind();
    std::vector<char> buffer(kChunk);
    std::string body;
    win::DWORD error = 0;
    for (int reads = 0; reads < 100 && error == 0; ++reads) {
        error = ThrownError([&] {
            const win::ReadResult result = request.file->Read(buffer.data(), kChunk, 5000);
            ASSERT_EQ(result.outcome, ReadOutcome::Complete);
            ASSERT_GT(result.count, 0u) << "a broken body does not end like a whole one";
            body.append(buffer.data(), result.count);
        });
    }
    EXPECT_NE(error, 0u);
    EXPECT_TRUE(body == content) << body.size();
}

TEST_F(InternetBufferedReadTest, TwoRequestsOfOneSessionReadInTurns) {
    const std::string first = inettest::Pattern(3 * kBound + 5);
    std::string second = first;
    std::reverse(second.begin(), second.end());
    server.Enqueue(CannedResponse::Ok(first));
    server.Enqueue(CannedResponse::Ok(second));

    win::CInternetSession session;
    auto connection = session.GetHttpConnection("127.0.0.1", server.Port());
    auto one = connection->OpenRequest(win::HTTP_VERB_GET, "/one", inettest::kTransferFlags);
    auto two = connection->OpenRequest(win::HTTP_VERB_GET, "/two", inettest::kTransferFlags);
    one->SendRequest(inettest::kUserAgentLine);
    two->SendRequest(inettest::kUserAgentLine);  // drives the first one's body meanwhile
    LagBehind();

    std::string bodies[2];
    win::CHttpFile* files[2] = {one.get(), two.get()};
    std::vector<char> buffer(kChunk);
    bool ended[2] = {false, false};
    while (!ended[0] || !ended[1]) {
        for (int i = 0; i < 2; ++i) {
            if (ended[i]) {
                continue;
            }
            const win::ReadResult result = files[i]->Read(buffer.data(), kChunk, 5000);
            ASSERT_EQ(result.outcome, ReadOutcome::Complete);
            bodies[i].append(buffer.data(), result.count);
            ended[i] = result.count == 0;
        }
    }
    EXPECT_TRUE(bodies[0] == first) << bodies[0].size();
    EXPECT_TRUE(bodies[1] == second) << bodies[1].size();
}

}  // namespace

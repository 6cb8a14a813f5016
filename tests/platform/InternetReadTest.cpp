// Body reads: bounded counts, short bodies, stalls, cancellation, resets.
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "platform/InternetErrors.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/CannedServer.h"

namespace {

using inettest::Open;
using inettest::ThrownError;
using kivtest::CannedResponse;
using win::ReadOutcome;

class EventFd {
public:
    EventFd() : fd_(eventfd(0, EFD_CLOEXEC)) {}
    ~EventFd() { close(fd_); }
    int fd() const { return fd_; }
    void Signal() const {
        std::uint64_t one = 1;
        EXPECT_EQ(write(fd_, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    }
    void Clear() const {
        std::uint64_t value = 0;
        EXPECT_EQ(read(fd_, &value, sizeof value), static_cast<ssize_t>(sizeof value));
    }

private:
    int fd_;
};

class InternetReadTest : public inettest::CleanInternetEnvironment {
protected:
    inettest::OpenedRequest Get(CannedResponse response) {
        server.Enqueue(std::move(response));
        auto request = Open(server.Url("/file"), win::HTTP_VERB_GET);
        request.file->SendRequest(inettest::kUserAgentLine);
        return request;
    }

    kivtest::CannedServer server;
    std::string content = inettest::Pattern(100000);
};

TEST_F(InternetReadTest, EachReadFillsTheBufferUntilTheEnd) {
    auto request = Get(CannedResponse::Ok(content));
    std::vector<char> buffer(16384);
    std::string body;
    std::vector<std::size_t> counts;
    for (;;) {
        win::ReadResult result = request.file->Read(buffer.data(), buffer.size(), 5000);
        ASSERT_EQ(result.outcome, ReadOutcome::Complete);
        counts.push_back(result.count);
        body.append(buffer.data(), result.count);
        if (result.count == 0) {
            break;
        }
    }
    EXPECT_EQ(body, content);
    std::vector<std::size_t> expected(6, 16384);
    expected.push_back(content.size() - 6 * 16384);
    expected.push_back(0);
    EXPECT_EQ(counts, expected);
}

TEST_F(InternetReadTest, SmallReadsLoseAndRepeatNothing) {
    auto request = Get(CannedResponse::Ok(content));
    EXPECT_EQ(inettest::ReadAll(*request.file, 7), content);
}

TEST_F(InternetReadTest, BodyCutShortSaysSoAfterItsBytes) {
    const std::string head = "HTTP/1.1 200 OK\r\n";
    const std::string chunk = "28\r\n" + content.substr(0, 40) + "\r\n";
    struct Case {
        const char* what;
        std::string answer;
        ReadOutcome end;
    };
    for (const Case& c : {
             Case{"short of its length",
                  head + "Content-Length: 100\r\n\r\n" + content.substr(0, 40),
                  ReadOutcome::CutShort},
             Case{"no last chunk", head + "Transfer-Encoding: chunked\r\n\r\n" + chunk,
                  ReadOutcome::CutShort},
             Case{"chunked and whole",
                  head + "Transfer-Encoding: chunked\r\n\r\n" + chunk + "0\r\n\r\n",
                  ReadOutcome::Complete},
             Case{"ended by closing", head + "\r\n" + content.substr(0, 40), ReadOutcome::Complete},
         }) {
        auto request = Get(CannedResponse::Raw(c.answer));
        std::vector<char> buffer(16384);
        win::ReadResult first = request.file->Read(buffer.data(), buffer.size(), 5000);
        EXPECT_EQ(first.outcome, ReadOutcome::Complete) << c.what;
        EXPECT_EQ(std::string(buffer.data(), first.count), content.substr(0, 40)) << c.what;
        win::ReadResult last = request.file->Read(buffer.data(), buffer.size(), 5000);
        EXPECT_EQ(last.outcome, c.end) << c.what;
        EXPECT_EQ(last.count, 0u) << c.what;
    }
}

TEST_F(InternetReadTest, StalledBodyTimesOutKeepingWhatArrived) {
    CannedResponse response = CannedResponse::Ok(content.substr(0, 1000));
    response.stallAfter = 300;
    response.stallMs = -1;  // until the server stops
    auto request = Get(response);
    std::vector<char> buffer(16384);
    win::ReadResult result = request.file->Read(buffer.data(), buffer.size(), 300);
    EXPECT_EQ(result.outcome, ReadOutcome::TimedOut);
    EXPECT_EQ(std::string(buffer.data(), result.count), content.substr(0, result.count));
    EXPECT_LE(result.count, 300u);
}

TEST_F(InternetReadTest, StallShorterThanTheTimeOutIsWaitedOut) {
    CannedResponse response = CannedResponse::Ok(content);
    response.stallAfter = 10;
    response.stallMs = 200;
    auto request = Get(response);
    EXPECT_EQ(inettest::ReadAll(*request.file, 16384, 10000), content);
}

TEST_F(InternetReadTest, CancelDescriptorEndsAWaitingRead) {
    CannedResponse response = CannedResponse::Ok(content);
    response.stallAfter = 0;
    response.stallMs = -1;
    auto request = Get(response);
    EventFd cancel;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        cancel.Signal();
    });
    std::vector<char> buffer(16384);
    win::ReadResult result = request.file->Read(buffer.data(), buffer.size(), 20000, cancel.fd());
    canceller.join();
    EXPECT_EQ(result.outcome, ReadOutcome::Cancelled);  // not TimedOut: it ended on the signal
    EXPECT_EQ(result.count, 0u);
}

TEST_F(InternetReadTest, SignalledCancelWinsOverWaitingData) {
    auto request = Get(CannedResponse::Ok("ready"));
    EventFd cancel;
    cancel.Signal();
    char buffer[16];
    win::ReadResult result = request.file->Read(buffer, sizeof buffer, 5000, cancel.fd());
    EXPECT_EQ(result.outcome, ReadOutcome::Cancelled);
    EXPECT_EQ(result.count, 0u);

    cancel.Clear();  // the body is still there afterwards
    result = request.file->Read(buffer, sizeof buffer, 5000, cancel.fd());
    EXPECT_EQ(result.outcome, ReadOutcome::Complete);
    EXPECT_EQ(std::string(buffer, result.count), "ready");
}

TEST_F(InternetReadTest, ResetInTheBodyThrowsAfterTheBytesBeforeIt) {
    CannedResponse response = CannedResponse::Ok(content);
    response.bodyBytesSent = 200;
    response.ending = CannedResponse::Ending::Reset;
    auto request = Get(response);
    std::string body;
    std::vector<char> buffer(16384);
    win::DWORD error = 0;
    for (int reads = 0; reads < 10 && error == 0; ++reads) {
        error = ThrownError([&] {
            win::ReadResult result = request.file->Read(buffer.data(), buffer.size(), 5000);
            ASSERT_EQ(result.outcome, ReadOutcome::Complete);
            ASSERT_GT(result.count, 0u) << "a reset is not the end of the body";
            body.append(buffer.data(), result.count);
        });
    }
    EXPECT_TRUE(error == win::ERROR_INTERNET_CONNECTION_RESET ||
                error == win::ERROR_INTERNET_CONNECTION_ABORTED)
        << error;
    EXPECT_EQ(body, content.substr(0, body.size()));
    EXPECT_LE(body.size(), 200u);
}

TEST_F(InternetReadTest, ResetOrSilenceInsteadOfAnAnswerFailsTheSend) {
    server.Enqueue(CannedResponse::Reset());
    auto reset = Open(server.Url("/file"), win::HTTP_VERB_GET);
    win::DWORD error = ThrownError([&] { reset.file->SendRequest(inettest::kUserAgentLine); });
    EXPECT_TRUE(error == win::ERROR_INTERNET_CONNECTION_RESET ||
                error == win::ERROR_INTERNET_CONNECTION_ABORTED)
        << error;

    server.Enqueue(CannedResponse::Raw(""));
    auto empty = Open(server.Url("/file"), win::HTTP_VERB_GET);
    EXPECT_EQ(ThrownError([&] { empty.file->SendRequest(inettest::kUserAgentLine); }),
              win::ERROR_HTTP_INVALID_SERVER_RESPONSE);

    server.Enqueue(CannedResponse::Raw("SSH-2.0-OpenSSH\r\n\r\n"));
    auto garbage = Open(server.Url("/file"), win::HTTP_VERB_GET);
    EXPECT_EQ(ThrownError([&] { garbage.file->SendRequest(inettest::kUserAgentLine); }),
              win::ERROR_HTTP_INVALID_SERVER_RESPONSE);
}

TEST_F(InternetReadTest, ClosedRequestRefusesReads) {
    auto request = Get(CannedResponse::Ok(content));
    request.file->Close();
    char buffer[8];
    EXPECT_EQ(ThrownError([&] { request.file->Read(buffer, sizeof buffer, 100); }),
              win::ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    win::DWORD status = 0;
    EXPECT_FALSE(request.file->QueryInfoStatusCode(status));
}

}  // namespace

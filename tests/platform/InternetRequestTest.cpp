// Requests against the canned server: what goes out, what comes back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/InternetErrors.h"
#include "platform/LastError.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/CannedServer.h"

namespace {

using inettest::Open;
using inettest::ThrownError;
using kivtest::CannedResponse;
using kivtest::RecordedRequest;
using ::testing::ElementsAre;

constexpr const char* kLastModified = "Wed, 21 Oct 2015 07:28:00 GMT";

class InternetRequestTest : public inettest::CleanInternetEnvironment {
protected:
    kivtest::CannedServer server;
    std::string content = inettest::Pattern(1000);
};

TEST_F(InternetRequestTest, HeadGivesStatusAndHeaderValuesAsText) {
    server.ServeContent(content, kLastModified);
    auto request = Open(server.Url("/files/a.zip"), win::HTTP_VERB_HEAD);
    request.file->SendRequest(inettest::kUserAgentLine);

    win::DWORD status = 0;
    std::string length, modified, type;
    ASSERT_TRUE(request.file->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 200u);
    ASSERT_TRUE(request.file->QueryInfo(win::HTTP_QUERY_CONTENT_LENGTH, length));
    EXPECT_EQ(length, "1000");
    ASSERT_TRUE(request.file->QueryInfo(win::HTTP_QUERY_LAST_MODIFIED, modified));
    EXPECT_EQ(modified, kLastModified);
    ASSERT_TRUE(request.file->QueryInfo(win::HTTP_QUERY_CONTENT_TYPE, type));
    EXPECT_EQ(type, "application/octet-stream");

    char buffer[16];
    EXPECT_EQ(request.file->Read(buffer, sizeof buffer, 1000).count, 0u);  // no body
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].requestLine, "HEAD /files/a.zip HTTP/1.1");
}

TEST_F(InternetRequestTest, GetSendsTheCallersLinesOnceAndInOrder) {
    server.ServeContent(content, kLastModified);
    auto request = Open(server.Url("/a.zip?v=2"), win::HTTP_VERB_GET);
    request.file->SendRequest("User-Agent: Kiv Downloader\r\nRange: bytes=100-\r\n");

    win::DWORD status = 0;
    ASSERT_TRUE(request.file->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 206u);
    EXPECT_EQ(inettest::ReadAll(*request.file), content.substr(100));

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& sent = requests[0];
    EXPECT_EQ(sent.requestLine, "GET /a.zip?v=2 HTTP/1.1");
    // The whole header block: a header a libcurl upgrade adds shows here.
    EXPECT_THAT(sent.headerLines,
                ElementsAre("Host: 127.0.0.1:" + std::to_string(server.Port()), "Accept: */*",
                            "User-Agent: Kiv Downloader", "Range: bytes=100-", "Pragma: no-cache",
                            "Cache-Control: no-cache"));
}

// Requests begun together travel over connections of their own and are each
// answered to their own sender, whatever order they are waited for in, each
// sent once; a request sent with other lines than it was begun with goes out
// again with the later lines.
TEST_F(InternetRequestTest, BegunRequestsAreAnsweredInAnyOrderAndSentOnce) {
    server.ServeContent(content, kLastModified);
    auto first = Open(server.Url("/a.zip"), win::HTTP_VERB_GET);
    auto second =
        first.connection->OpenRequest(win::HTTP_VERB_GET, "/b.zip", inettest::kTransferFlags);
    auto third =
        first.connection->OpenRequest(win::HTTP_VERB_HEAD, "/c.zip", inettest::kTransferFlags);
    first.file->BeginRequest(inettest::kUserAgentLine);
    second->BeginRequest(inettest::kUserAgentLine);
    third->BeginRequest("User-Agent: early\r\n");

    second->SendRequest(inettest::kUserAgentLine);
    EXPECT_EQ(inettest::ReadAll(*second), content);
    first.file->SendRequest(inettest::kUserAgentLine);
    EXPECT_EQ(inettest::ReadAll(*first.file), content);
    third->SendRequest("User-Agent: late\r\n");

    std::vector<std::string> lines;
    std::set<int> connections;
    for (const RecordedRequest& request : server.Requests()) {
        lines.push_back(request.requestLine + " " + request.Header("User-Agent").value_or(""));
        connections.insert(request.connection);
    }
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "GET /a.zip HTTP/1.1 Kiv Downloader"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "GET /b.zip HTTP/1.1 Kiv Downloader"), 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "HEAD /c.zip HTTP/1.1 late");
    EXPECT_GE(connections.size(), 2u);
}

TEST_F(InternetRequestTest, NoCacheLinesOnlyForReloadRequests) {
    server.ServeContent(content, kLastModified);
    auto request = Open(server.Url("/a.zip"), win::HTTP_VERB_GET, 0);
    request.file->SendRequest(inettest::kUserAgentLine);
    inettest::ReadAll(*request.file);

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_THAT(server.Requests()[0].headerLines,
                ElementsAre("Host: 127.0.0.1:" + std::to_string(server.Port()), "Accept: */*",
                            "User-Agent: Kiv Downloader"));
}

TEST_F(InternetRequestTest, AnErrorStatusIsAResponseWithItsBody) {
    server.Enqueue(CannedResponse::Html("<html>busy</html>"));
    server.Enqueue(CannedResponse::Status(503));
    auto html = Open(server.Url("/a"), win::HTTP_VERB_GET);
    html.file->SendRequest(inettest::kUserAgentLine);
    std::string type;
    ASSERT_TRUE(html.file->QueryInfo(win::HTTP_QUERY_CONTENT_TYPE, type));
    EXPECT_EQ(type, "text/html");
    EXPECT_EQ(inettest::ReadAll(*html.file), "<html>busy</html>");

    auto busy = Open(server.Url("/b"), win::HTTP_VERB_GET);
    busy.file->SendRequest(inettest::kUserAgentLine);
    win::DWORD status = 0;
    ASSERT_TRUE(busy.file->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 503u);
}

TEST_F(InternetRequestTest, QueriesTellWhatIsMissing) {
    server.Enqueue(CannedResponse::Ok("x"));
    auto request = Open(server.Url("/a"), win::HTTP_VERB_GET);
    win::DWORD status = 0;
    std::string value = "unchanged";
    EXPECT_FALSE(request.file->QueryInfoStatusCode(status));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    char buffer[4];
    EXPECT_EQ(ThrownError([&] { request.file->Read(buffer, sizeof buffer, 100); }),
              win::ERROR_INTERNET_INCORRECT_HANDLE_STATE);

    request.file->SendRequest(inettest::kUserAgentLine);
    EXPECT_FALSE(request.file->QueryInfo(win::HTTP_QUERY_LAST_MODIFIED, value));
    EXPECT_EQ(win::GetLastError(), win::ERROR_HTTP_HEADER_NOT_FOUND);
    EXPECT_EQ(value, "unchanged");
    EXPECT_FALSE(request.file->QueryInfo(19 /* status code as a header */, value));
    EXPECT_EQ(win::GetLastError(), win::ERROR_HTTP_INVALID_QUERY_REQUEST);
}

TEST_F(InternetRequestTest, RedirectsAreFollowedWithTheSameLines) {
    server.Enqueue(CannedResponse::Redirect(302, "/moved/a.zip"));
    server.Enqueue(CannedResponse::Redirect(301, server.Url("/final/a.zip", "localhost")));
    server.ServeContent(content, kLastModified);
    auto request = Open(server.Url("/a.zip"), win::HTTP_VERB_GET);
    request.file->SendRequest("User-Agent: Kiv Downloader\r\nRange: bytes=900-\r\n");

    win::DWORD status = 0;
    std::string modified;
    ASSERT_TRUE(request.file->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 206u);
    ASSERT_TRUE(request.file->QueryInfo(win::HTTP_QUERY_LAST_MODIFIED, modified));
    EXPECT_EQ(modified, kLastModified);
    EXPECT_EQ(inettest::ReadAll(*request.file), content.substr(900));

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].requestLine, "GET /moved/a.zip HTTP/1.1");
    EXPECT_EQ(requests[2].requestLine, "GET /final/a.zip HTTP/1.1");
    EXPECT_THAT(requests[2].headerLines,
                ElementsAre("Host: localhost:" + std::to_string(server.Port()), "Accept: */*",
                            "User-Agent: Kiv Downloader", "Range: bytes=900-", "Pragma: no-cache",
                            "Cache-Control: no-cache"));
}

TEST_F(InternetRequestTest, EndlessRedirectsFail) {
    server.SetDefault(CannedResponse::Redirect(302, "/again"));
    auto request = Open(server.Url("/again"), win::HTTP_VERB_HEAD);
    EXPECT_EQ(ThrownError([&] { request.file->SendRequest(inettest::kUserAgentLine); }),
              win::ERROR_HTTP_REDIRECT_FAILED);
    EXPECT_LE(server.Requests().size(), 22u);
}

TEST_F(InternetRequestTest, ProxyChallengeIsAStatusAndCredentialsAnswerIt) {
    inettest::ScopedVariable proxy("http_proxy", server.Url("").c_str());
    server.Enqueue(CannedResponse::ProxyAuthGate("kiv", "s3cret"));
    server.Enqueue(CannedResponse::Ok("through the proxy"));
    auto request = Open("http://origin.example/file.zip", win::HTTP_VERB_GET);

    request.file->SendRequest(inettest::kUserAgentLine);
    win::DWORD status = 0;
    ASSERT_TRUE(request.file->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 407u);

    request.file->SetProxyCredentials("kiv", "s3cret");
    request.file->SendRequest(inettest::kUserAgentLine);
    ASSERT_TRUE(request.file->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 200u);
    EXPECT_EQ(inettest::ReadAll(*request.file), "through the proxy");

    // The whole header blocks: a header a libcurl upgrade adds shows here.
    // libcurl sends the credentials only after the challenge came again.
    const std::vector<std::string> withoutCredentials{
        "Host: origin.example",       "Accept: */*",      "Proxy-Connection: Keep-Alive",
        "User-Agent: Kiv Downloader", "Pragma: no-cache", "Cache-Control: no-cache"};
    std::vector<std::string> withCredentials = withoutCredentials;
    withCredentials.insert(withCredentials.begin() + 1,
                           "Proxy-Authorization: Basic a2l2OnMzY3JldA==");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const RecordedRequest& sent : requests) {
        EXPECT_EQ(sent.requestLine, "GET http://origin.example/file.zip HTTP/1.1");
    }
    EXPECT_EQ(requests[0].headerLines, withoutCredentials);
    EXPECT_EQ(requests[1].headerLines, withoutCredentials);
    EXPECT_EQ(requests[2].headerLines, withCredentials);
}

TEST_F(InternetRequestTest, ProxyRefusingTheTunnelGivesItsStatus) {
    inettest::ScopedVariable proxy("https_proxy", server.Url("").c_str());
    server.Enqueue(CannedResponse::ProxyAuthGate("kiv", "s3cret"));
    server.Enqueue(CannedResponse::Status(403));  // tunnel refused even with credentials
    auto request = Open("https://origin.example/file.zip", win::HTTP_VERB_GET);

    request.file->SendRequest(inettest::kUserAgentLine);
    win::DWORD status = 0;
    std::string type;
    ASSERT_TRUE(request.file->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 407u);
    EXPECT_FALSE(request.file->QueryInfo(win::HTTP_QUERY_CONTENT_TYPE, type));

    request.file->SetProxyCredentials("kiv", "s3cret");
    request.file->SendRequest(inettest::kUserAgentLine);
    ASSERT_TRUE(request.file->QueryInfoStatusCode(status));
    EXPECT_EQ(status, 403u);
    auto requests = server.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_TRUE(requests.front().requestLine.starts_with("CONNECT origin.example:443 "));
    EXPECT_TRUE(requests.back().HasLine("Proxy-Authorization: Basic a2l2OnMzY3JldA=="));
}

}  // namespace

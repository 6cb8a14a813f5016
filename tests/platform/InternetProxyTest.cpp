// Through a real proxy (tinyproxy) that asks for Basic credentials.
#include <gtest/gtest.h>

#include "tests/platform/InternetTestSupport.h"
#include "tests/support/CannedServer.h"
#include "tests/support/TinyProxy.h"

namespace {

using inettest::Open;

class InternetProxyTest : public inettest::CleanInternetEnvironment {
protected:
    void SetUp() override {
        if (!kivtest::TinyProxy::Installed()) {
            GTEST_SKIP() << "tinyproxy is not installed (/usr/bin/tinyproxy): proxy test skipped";
        }
        std::string error;
        ASSERT_TRUE(proxy.Start("kiv", "s3cret", error)) << error;
    }

    win::DWORD StatusAfterSend(win::CHttpFile& file) {
        file.SendRequest(inettest::kUserAgentLine);
        win::DWORD status = 0;
        EXPECT_TRUE(file.QueryInfoStatusCode(status));
        return status;
    }

    kivtest::TinyProxy proxy;
    kivtest::CannedServer server;
};

TEST_F(InternetProxyTest, ChallengeThenCredentialsReachTheServer) {
    std::string content = inettest::Pattern(50000);
    server.ServeContent(content, "Wed, 21 Oct 2015 07:28:00 GMT");
    inettest::ScopedVariable viaProxy("http_proxy", proxy.Url().c_str());
    auto request = Open(server.Url("/data.bin"), win::HTTP_VERB_GET);

    EXPECT_EQ(StatusAfterSend(*request.file), 407u);
    EXPECT_TRUE(server.Requests().empty());

    request.file->SetProxyCredentials("kiv", "s3cret");
    EXPECT_EQ(StatusAfterSend(*request.file), 200u);
    EXPECT_EQ(inettest::ReadAll(*request.file), content);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(server.Requests()[0].HasLine("User-Agent: Kiv Downloader"));
}

TEST_F(InternetProxyTest, WrongCredentialsStayAChallenge) {
    server.ServeContent("content", "Wed, 21 Oct 2015 07:28:00 GMT");
    inettest::ScopedVariable viaProxy("http_proxy", proxy.Url().c_str());
    auto request = Open(server.Url("/data.bin"), win::HTTP_VERB_HEAD);
    request.file->SetProxyCredentials("kiv", "wrong");
    // tinyproxy answers refused credentials with 401 rather than another 407.
    win::DWORD status = StatusAfterSend(*request.file);
    EXPECT_TRUE(status == 401 || status == 407) << status;
    EXPECT_TRUE(server.Requests().empty());
}

}  // namespace

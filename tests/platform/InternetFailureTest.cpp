// Failures before any answer, the session's options and the offline state.
#include <gtest/gtest.h>

#include "platform/InternetErrors.h"
#include "platform/InternetState.h"
#include "platform/LastError.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/CannedServer.h"

namespace {

using inettest::Open;
using inettest::ThrownError;
using kivtest::CannedResponse;

class InternetFailureTest : public inettest::CleanInternetEnvironment {};

TEST_F(InternetFailureTest, ClosedPortCannotConnect) {
    std::string url;
    {
        kivtest::CannedServer gone;
        url = gone.Url("/file");
    }
    auto request = Open(url, win::HTTP_VERB_GET);
    EXPECT_EQ(ThrownError([&] { request.file->SendRequest(inettest::kUserAgentLine); }),
              win::ERROR_INTERNET_CANNOT_CONNECT);
}

TEST_F(InternetFailureTest, NamesUnderInvalidNeverResolve) {
    for (const char* url : {"http://downloads.invalid/file", "https://INVALID./file"}) {
        auto request = Open(url, win::HTTP_VERB_HEAD);
        EXPECT_EQ(ThrownError([&] { request.file->SendRequest(inettest::kUserAgentLine); }),
                  win::ERROR_INTERNET_NAME_NOT_RESOLVED)
            << url;
    }
}

TEST_F(InternetFailureTest, SilentServerTimesOutAfterTheReceiveTimeOut) {
    kivtest::CannedServer server;
    CannedResponse silent = CannedResponse::Ok("late");
    silent.headDelayMs = -1;
    server.Enqueue(silent);
    auto request = Open(server.Url("/file"), win::HTTP_VERB_GET);
    ASSERT_TRUE(request.session->SetOption(win::INTERNET_OPTION_RECEIVE_TIMEOUT, 300));
    EXPECT_EQ(ThrownError([&] { request.file->SendRequest(inettest::kUserAgentLine); }),
              win::ERROR_INTERNET_TIMEOUT);
}

TEST_F(InternetFailureTest, SessionAcceptsOnlyTheTwoTimeOuts) {
    win::CInternetSession session;
    EXPECT_TRUE(session.SetOption(win::INTERNET_OPTION_CONNECT_TIMEOUT, 1000));
    EXPECT_FALSE(session.SetOption(win::INTERNET_OPTION_RECEIVE_TIMEOUT, 0));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INTERNET_INVALID_OPTION);
    EXPECT_FALSE(session.SetOption(31 /* security flags */, 1));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INTERNET_INVALID_OPTION);
}

TEST_F(InternetFailureTest, OpenRequestRefusesWhatItCannotSend) {
    win::CInternetSession session;
    auto connection = session.GetHttpConnection("example.com", 80);
    EXPECT_EQ(ThrownError([&] { connection->OpenRequest(0 /* POST */, "/", 0); }),
              win::ERROR_INTERNET_INVALID_OPERATION);
    auto sneaky = session.GetHttpConnection("example.com/evil?", 80);
    EXPECT_EQ(ThrownError([&] { sneaky->OpenRequest(win::HTTP_VERB_GET, "/", 0); }),
              win::ERROR_INTERNET_INVALID_URL);
    connection->Close();
    EXPECT_EQ(ThrownError([&] { connection->OpenRequest(win::HTTP_VERB_GET, "/", 0); }),
              win::ERROR_INTERNET_INCORRECT_HANDLE_STATE);
}

TEST_F(InternetFailureTest, ContextComesBackInTheException) {
    win::CInternetSession session;
    auto connection = session.GetHttpConnection("host.invalid", 80);
    auto request = connection->OpenRequest(win::HTTP_VERB_GET, "/", 0, 42);
    try {
        request->SendRequest(inettest::kUserAgentLine);
        FAIL() << "no exception";
    } catch (const win::CInternetException& failure) {
        EXPECT_EQ(failure.Context(), 42u);
        EXPECT_EQ(failure.ErrorNumber(), win::ERROR_INTERNET_NAME_NOT_RESOLVED);
    }
}

TEST_F(InternetFailureTest, ConnectedUnlessForcedOffline) {
    EXPECT_EQ(win::QueryInternetConnectedState(), win::INTERNET_STATE_CONNECTED);
    win::ForceWorkOfflineForTesting(true);
    EXPECT_EQ(win::QueryInternetConnectedState(), win::INTERNET_STATE_DISCONNECTED_BY_USER);
    win::ForceWorkOfflineForTesting(false);
    EXPECT_EQ(win::QueryInternetConnectedState(), win::INTERNET_STATE_CONNECTED);
}

}  // namespace

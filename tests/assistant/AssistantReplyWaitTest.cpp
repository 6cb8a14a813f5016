// WaitForReply against the reply events and the control's cancel event.
#include <gtest/gtest.h>

#include "assistant/KivDownloadAssistant.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "platform/Wait.h"

using kivassistant::CKivDownloadAssistant;

namespace {

constexpr win::DWORD kBound = 10000;
constexpr win::DWORD kQuiet = 100;  // ms: long enough for a wrong wake-up to show

class AssistantReplyWaitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cancel_.Create(true, false)); }

    win::CEvent cancel_;
};

TEST_F(AssistantReplyWaitTest, OutcomeDecidesTheResultAndIsTakenOnce) {
    CKivDownloadAssistant client(cancel_.Handle());
    client.SignalReply(false);
    EXPECT_TRUE(client.WaitForReply());
    client.SignalReply(true);
    EXPECT_FALSE(client.WaitForReply());

    client.SignalReply(false);
    EXPECT_TRUE(client.WaitForReply());
    cancel_.Set();
    EXPECT_FALSE(client.WaitForReply()) << "the success was taken by the first wait";
}

TEST_F(AssistantReplyWaitTest, CancelEndsEveryLaterWaitButAPendingSuccessWins) {
    CKivDownloadAssistant client(cancel_.Handle());
    cancel_.Set();
    client.SignalReply(false);
    EXPECT_TRUE(client.WaitForReply());
    EXPECT_FALSE(client.WaitForReply());
    client.SignalReply(true);
    EXPECT_FALSE(client.WaitForReply());
    EXPECT_FALSE(client.WaitForReply()) << "the cancel event stays set";
}

TEST_F(AssistantReplyWaitTest, WaitHoldsUntilAReplyFromAnotherThread) {
    CKivDownloadAssistant client(cancel_.Handle());
    win::CThread worker;
    ASSERT_TRUE(worker.Create([&client] { return win::DWORD{client.WaitForReply() ? 1u : 0u}; }));
    EXPECT_EQ(worker.Wait(kQuiet), win::WAIT_TIMEOUT);

    client.SignalReply(false);
    ASSERT_EQ(worker.Wait(kBound), win::WAIT_OBJECT_0);
    win::DWORD result = 0;
    win::GetExitCodeThread(worker.Handle(), &result);
    EXPECT_EQ(result, 1u);
}

TEST(AssistantReplyWaitWithoutCancel, RepliesStillEndTheWait) {
    CKivDownloadAssistant client(nullptr);
    client.SignalReply(true);
    EXPECT_FALSE(client.WaitForReply());
    client.SignalReply(false);
    EXPECT_TRUE(client.WaitForReply());
}

}  // namespace

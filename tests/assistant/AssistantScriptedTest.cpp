// The client against the scripted assistant in a process of its own: the
// request event and the work file one way, WM_COPYDATA replies the other.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assistant/AssistantIds.h"
#include "assistant/KivDownloadAssistant.h"
#include "platform/FifoEvents.h"
#include "platform/Process.h"
#include "platform/Window.h"
#include "tests/assistant/AssistantTestSupport.h"

using kivassistant::AssistantReply;
using kivassistant::BuildContentItemRecord;
using kivassistant::CKivDownloadAssistant;
using kivassistant::ContentItemRecord;

namespace {

using assistanttest::kAssistantEnded;
using assistanttest::OnWorker;
using assistanttest::PrivateEnvironment;
using assistanttest::PumpUntil;
using assistanttest::TestOwner;

class AssistantScriptedTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(win::InstallFifoEventBackend());
        ASSERT_TRUE(cancel_.Create(true, false));
    }
    void TearDown() override { win::SetNamedEventBackend(nullptr); }

    // Starts the scripted assistant for `owner` with `script`, then greets it.
    void StartWith(CKivDownloadAssistant& client, TestOwner& owner, const std::string& script) {
        owner.Attach(&client);
        coretest::ScopedEnv scriptVariable("KIV_ASSISTANT_SCRIPT", script);
        coretest::ScopedEnv logVariable("KIV_ASSISTANT_LOG", LogPath());
        ASSERT_TRUE(client.Start(owner, KIV_SCRIPTED_ASSISTANT));
        const win::HWND dialog = owner.Window();
        EXPECT_EQ(Send([&] { return client.SendHello(dialog) && client.WaitForReply(); }), true);
    }
    std::optional<bool> Send(const std::function<bool()>& request) {
        return OnWorker(request, cancel_.Handle());
    }
    std::string LogPath() const { return environment_.Native("assistant.log"); }
    std::vector<std::string> LogLines() const {
        std::ifstream log(LogPath());
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }
    static std::vector<ContentItemRecord> TwoItems() {
        return {BuildContentItemRecord("a.bin", "http://127.0.0.1/a.bin"),
                BuildContentItemRecord("b.bin", "http://127.0.0.1/b.bin")};
    }

    PrivateEnvironment environment_;
    win::CEvent cancel_;
};

TEST_F(AssistantScriptedTest, AssistantReadsEachRequestWholeAndHiddenAndItsRepliesArrive) {
    TestOwner owner;
    {
        CKivDownloadAssistant client(cancel_.Handle());
        StartWith(client, owner, "1;2=1,3:Z:\\dest;4=0");
        EXPECT_EQ(Send([&] {
                      return client.SendContentList("Caption", kContentListIdentifier,
                                                    TwoItems()) &&
                             client.WaitForReply();
                  }),
                  true);
        EXPECT_EQ(Send([&] {
                      return client.SendPlaceFile("Z:\\low\\a.bin", "Z:\\dest\\a.bin") &&
                             client.WaitForReply();
                  }),
                  true);
    }
    const std::vector<AssistantReply> replies = owner.Replies();
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[1].effect, AssistantReply::Effect::ResumeDecision);
    EXPECT_TRUE(replies[1].resumeAllowed);
    EXPECT_EQ(replies[2].destination, "Z:\\dest");
    const std::vector<std::string> expected{"kind=1 record=12 hidden=1",
                                            "kind=2 record=2860 hidden=1",
                                            "kind=3 record=524 hidden=1", "end window-gone"};
    EXPECT_EQ(LogLines(), expected) << "the assistant ended by itself at the teardown";
}

TEST_F(AssistantScriptedTest, RefusalsAndPlacingFailuresFailTheirRequest) {
    TestOwner owner;
    CKivDownloadAssistant client(cancel_.Handle());
    StartWith(client, owner, "1;3;4=5;raw:4:0102;raw:3:414243;7");
    auto place = [&] {
        return client.SendPlaceFile("Z:\\low\\a.bin", "Z:\\dest\\a.bin") && client.WaitForReply();
    };
    EXPECT_EQ(Send([&] {
                  return client.SendContentList("Caption", kContentListIdentifier, TwoItems()) &&
                         client.WaitForReply();
              }),
              false);
    EXPECT_EQ(Send(place), false);
    EXPECT_EQ(Send(place), false) << "a code shorter than 4 bytes";
    EXPECT_EQ(Send(place), true) << "a destination without its zero";
    EXPECT_EQ(Send(place), true) << "an unknown kind";

    const std::vector<AssistantReply> replies = owner.Replies();
    ASSERT_EQ(replies.size(), 6u);
    EXPECT_EQ(replies[2].errorCode, 5u);
    EXPECT_EQ(replies[3].errorCode, win::ERROR_INVALID_DATA);
    EXPECT_EQ(replies[4].destination, "ABC");
}

TEST_F(AssistantScriptedTest, AssistantEndingMidRequestEndsTheWait) {
    TestOwner owner;
    owner.CancelOnEnd(cancel_.Handle());
    CKivDownloadAssistant client(cancel_.Handle());
    StartWith(client, owner, "1;exit=3");
    EXPECT_EQ(Send([&] {
                  return client.SendPlaceFile("Z:\\low\\a.bin", "Z:\\dest\\a.bin") &&
                         client.WaitForReply();
              }),
              false);
    EXPECT_TRUE(PumpUntil([&owner] { return owner.Received(kAssistantEnded); }));
    win::DWORD code = 0;
    EXPECT_TRUE(win::GetExitCodeProcess(client.ProcessHandle(), &code));
    EXPECT_EQ(code, 3u);
}

TEST_F(AssistantScriptedTest, AssistantEndsWhenTheControlWindowGoes) {
    auto owner = std::make_unique<TestOwner>();
    CKivDownloadAssistant client(cancel_.Handle());
    StartWith(client, *owner, "1");
    win::DestroyWindow(owner->Window());  // takes the reply window along

    EXPECT_EQ(win::WaitForSingleObject(client.ProcessHandle(), assistanttest::kBound),
              win::WAIT_OBJECT_0);
    ASSERT_FALSE(LogLines().empty());
    EXPECT_EQ(LogLines().back(), "end window-gone");
    win::DWORD code = 1;
    EXPECT_TRUE(win::GetExitCodeProcess(client.ProcessHandle(), &code));
    EXPECT_EQ(code, 0u);
}

}  // namespace

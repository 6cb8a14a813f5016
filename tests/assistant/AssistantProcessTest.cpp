// Starting the assistant, the end notice and the teardown, with ordinary
// programs standing in for the assistant.
#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "assistant/KivDownloadAssistant.h"
#include "env/PathRules.h"
#include "platform/CopyData.h"
#include "platform/LastError.h"
#include "platform/Process.h"
#include "tests/assistant/AssistantTestSupport.h"
#include "tests/platform/FileTestSupport.h"

using kivassistant::AssistantReply;
using kivassistant::CKivDownloadAssistant;

namespace {

using assistanttest::kAssistantEnded;
using assistanttest::PrivateEnvironment;
using assistanttest::PumpUntil;
using assistanttest::TestOwner;

class AssistantProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cancel_.Create(true, false)); }

    // A program that only ends when killed.
    std::string NeverEnding() {
        const std::string path = environment_.Native("never-ending.sh");
        std::ofstream(path) << "#!/bin/sh\nexec sleep 3600\n";
        chmod(path.c_str(), 0700);
        return path;
    }

    PrivateEnvironment environment_;
    win::CEvent cancel_;
};

TEST_F(AssistantProcessTest, ReplyWindowIsOwnedByTheControlAndNeverShown) {
    TestOwner owner;
    CKivDownloadAssistant client(cancel_.Handle());
    EXPECT_EQ(client.ReplyWindowNumber(), 0u);
    ASSERT_TRUE(client.Start(owner, "/bin/true"));

    const win::HWND reply = win::WindowFromUInt32(client.ReplyWindowNumber());
    ASSERT_NE(reply, nullptr) << "alive and receiving";
    EXPECT_EQ(win::GetParent(reply), owner.Window());
    EXPECT_FALSE(win::IsWindowVisible(reply));
    EXPECT_FALSE(client.Start(owner, "/bin/true")) << "one assistant per client";
}

TEST_F(AssistantProcessTest, ProgramThatCannotStartFailsWithItsCause) {
    TestOwner owner;
    CKivDownloadAssistant client(cancel_.Handle());
    EXPECT_FALSE(client.Start(owner, environment_.Native("missing-program")));
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(client.ProcessHandle(), nullptr);
}

TEST_F(AssistantProcessTest, EndOfTheAssistantIsPostedToTheOwnerWindow) {
    TestOwner owner;
    CKivDownloadAssistant client(cancel_.Handle());
    ASSERT_TRUE(client.Start(owner, "/bin/true"));

    ASSERT_TRUE(PumpUntil([&owner] { return owner.Received(kAssistantEnded); }));
    ASSERT_EQ(owner.PostedToWindow().size(), 1u);
    EXPECT_EQ(owner.PostedToWindow()[0].wParam, 0u);
    EXPECT_EQ(owner.PostedToWindow()[0].lParam, 0);
}

TEST_F(AssistantProcessTest, RecordsReachTheOwnerWithinTheirBytes) {
    TestOwner owner;
    CKivDownloadAssistant client(cancel_.Handle());
    owner.Attach(&client);
    ASSERT_TRUE(client.Start(owner, "/bin/true"));
    const std::uint32_t window = client.ReplyWindowNumber();
    auto send = [window](win::ULONG_PTR kind, std::vector<win::BYTE> bytes) {
        return [window, kind, bytes] {
            win::LRESULT result = 0;
            return win::SendCopyData(window, kind, bytes, assistanttest::kBound, &result) &&
                   result == 1;
        };
    };
    // A whole-sized destination without its zero, a code of one byte, none.
    const std::vector<win::BYTE> unterminated(win::MAX_COPYDATA_BYTES, 'A');
    EXPECT_EQ(assistanttest::OnWorker(send(3, unterminated), cancel_.Handle()), true);
    EXPECT_EQ(assistanttest::OnWorker(send(4, {0x01}), cancel_.Handle()), true);
    EXPECT_EQ(assistanttest::OnWorker(send(3, {}), cancel_.Handle()), true);

    const std::vector<AssistantReply> replies = owner.Replies();
    ASSERT_EQ(replies.size(), 3u);
    ASSERT_TRUE(replies[0].destination.has_value());
    EXPECT_EQ(replies[0].destination->size(), win::MAX_COPYDATA_BYTES);
    EXPECT_TRUE(replies[1].failed);
    EXPECT_EQ(replies[1].errorCode, win::ERROR_INVALID_DATA);
    EXPECT_TRUE(replies[2].failed);
    EXPECT_TRUE(client.WaitForReply()) << "a pending success is taken first";
    EXPECT_FALSE(client.WaitForReply());

    // Another process cannot answer in the assistant's name. (Forked from a
    // thread that owns no window, so that the child has to use the socket.)
    const auto strangerRefused = [window] {
        filetest::ChildProcess stranger([window](const filetest::ChildProcess::Parent&) {
            win::LRESULT result = 0;
            const bool sent = win::SendCopyData(window, 3, std::vector<win::BYTE>{'Z', 0},
                                                assistanttest::kBound, &result);
            return !sent && win::GetLastError() == win::ERROR_INVALID_DATA ? 0 : 1;
        });
        return stranger.Wait() == 0;
    };
    EXPECT_EQ(assistanttest::OnWorker(strangerRefused, cancel_.Handle()), true);
    EXPECT_EQ(owner.Replies().size(), 3u);
}

TEST_F(AssistantProcessTest, TeardownKillsAnAssistantThatNeverEnds) {
    TestOwner owner;
    pid_t pid = 0;
    {
        CKivDownloadAssistant client(cancel_.Handle());
        ASSERT_TRUE(client.Start(owner, NeverEnding()));
        pid = static_cast<pid_t>(win::GetProcessId(client.ProcessHandle()));
        ASSERT_GT(pid, 0);
    }  // waits out the bound, then kills
    // The end is recorded just before the child is reaped.
    EXPECT_TRUE(PumpUntil([pid] { return kill(pid, 0) == -1 && errno == ESRCH; }))
        << "killed and reaped";
}

void AddressInThisProgram() {}

TEST(AssistantPathTest, IsThisModulesPathWithoutItsExtension) {
    char native[PATH_MAX] = {};
    ASSERT_NE(realpath("/proc/self/exe", native), nullptr);
    std::string expected;
    ASSERT_TRUE(win::FromNativePath(native, expected));
    const void* inThisProgram = reinterpret_cast<const void*>(&AddressInThisProgram);
    EXPECT_EQ(CKivDownloadAssistant::AssistantPathNextToModule(inThisProgram),
              env::RemoveExtension(expected));
}

}  // namespace

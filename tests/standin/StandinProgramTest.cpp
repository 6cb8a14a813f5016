// The real stand-in program as a child, with the test playing the control.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <span>

#include "assistant/AssistantRecords.h"
#include "assistant/AssistantReply.h"
#include "platform/CopyDataSocket.h"
#include "platform/CopyDataWire.h"
#include "platform/FileApi.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/UniqueFd.h"
#include "tests/platform/FileTestSupport.h"
#include "tests/standin/StandinHarness.h"

using kivassistant::AssistantBytes;
using kivassistant::BuildContentListRecord;
using kivassistant::BuildGreetingRecord;
using kivassistant::BuildPlaceFileRecord;
using kivassistant::BuildWorkFile;
using kivassistant::ContentItemRecord;
using kivassistant::kContentListRequest;
using kivassistant::kDestinationReply;
using kivassistant::kGreetingRequest;
using kivassistant::kPlaceFileReply;
using kivassistant::kPlaceFileRequest;
using kivassistant::kResumeDecisionReply;

namespace {

using standintest::Reply;
using standintest::StandinHarness;

constexpr unsigned kExitBoundMs = 10000;
constexpr win::ULONG_PTR kGreetingReply = 1;

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class StandinProgramTest : public ::testing::Test {
protected:
    // Starts the program and greets it; its one reply is checked.
    void StartAndGreet(const std::map<std::string, std::string>& environment = {}) {
        ASSERT_TRUE(harness_.Start(environment));
        harness_.Greet();
        const std::vector<Reply> replies = harness_.AwaitReplies(1);
        ASSERT_EQ(replies.size(), 1u);
        ASSERT_EQ(replies[0].kind, kGreetingReply);
    }
    // Starts with the destination given and has the folder accepted for `names`.
    void StartWithDestination(const std::vector<std::string>& names) {
        StartAndGreet({{"KIVDL_DESTINATION", destination_}});
        harness_.SendContentList(names);
        const std::vector<Reply> replies = harness_.AwaitReplies(3);
        ASSERT_EQ(replies.size(), 3u);
        ASSERT_EQ(replies[2].kind, kDestinationReply);
        ASSERT_TRUE(replies[2].hasData);
    }

    StandinHarness harness_;
    const std::string destination_ = harness_.Folder("home/Downloads");
    const std::string work_ = harness_.Folder("cache/Temp/Low");
};

TEST_F(StandinProgramTest, GreetingGetsExactlyOneReplyThatIsNoResumeDecision) {
    ASSERT_TRUE(harness_.Start());
    harness_.Greet();
    const std::vector<Reply> replies = harness_.AwaitReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_NE(replies[0].kind, kResumeDecisionReply);
    EXPECT_TRUE(harness_.Running());
}

// A window of another process, which counts the whole records it gets and
// answers every one, as a receiver does.
int ServeAsStranger(const std::string& socketPath, const filetest::ChildProcess::Parent& parent) {
    const win::CUniqueFd socket(win::detail::BindReceiverSocket(socketPath));
    if (socket.Get() < 0) return 100;
    parent.Send('r');
    int records = 0;
    for (bool first = true;; first = false) {
        pollfd ready[2] = {{socket.Get(), POLLIN, 0}, {parent.in, POLLIN, 0}};
        if (poll(ready, 2, 10000) <= 0 || (ready[1].revents & POLLIN) != 0) return records;
        std::array<win::BYTE, 512> buffer{};
        sockaddr_un from{};
        socklen_t length = sizeof from;
        const ssize_t got = recvfrom(socket.Get(), buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &length);
        const std::span<const win::BYTE> datagram(buffer.data(), got > 0 ? got : 0);
        const auto sequence = win::detail::PeekCopyDataSequence(datagram);
        if (!sequence) continue;
        if (win::detail::DecodeCopyDataRequest(datagram)) ++records;
        const auto answer = win::detail::EncodeCopyDataReply(
            {*sequence, win::detail::CopyDataStatus::Delivered, 1});
        sendto(socket.Get(), answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
               length);
        if (first) parent.Send('p');
    }
}

// Any process that can write the work file can greet: replies go only to a
// window of the control that started the assistant.
TEST_F(StandinProgramTest, AGreetingNamingAnotherProcesssWindowIsIgnored) {
    ASSERT_TRUE(harness_.Start());
    std::string runtime;
    ASSERT_TRUE(win::GetKnownFolderNativePath(win::KnownFolder::Runtime, runtime));
    constexpr std::uint32_t kStrangerWindow = 0x7FFF0001;
    const std::string socketPath = win::detail::CopyDataSocketPath(runtime, kStrangerWindow);
    filetest::ChildProcess stranger([&socketPath](const filetest::ChildProcess::Parent& parent) {
        return ServeAsStranger(socketPath, parent);
    });
    ASSERT_EQ(stranger.Receive(), 'r');
    harness_.Send(kGreetingRequest, BuildGreetingRecord(0, kStrangerWindow));
    ASSERT_EQ(stranger.Receive(), 'p') << "the assistant read the greeting";

    harness_.Greet();
    const std::vector<Reply> replies = harness_.AwaitReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].kind, kGreetingReply);
    stranger.Send('x');
    EXPECT_EQ(stranger.Wait(), 0) << "records the stranger's window got";
}

TEST_F(StandinProgramTest, GivenDestinationIsRepliedAsResumeDecisionThenWindowsFormFolder) {
    StartWithDestination({"a.bin", "b.bin"});
    const std::vector<Reply> replies = harness_.AwaitReplies(3);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[1].kind, kResumeDecisionReply);
    EXPECT_EQ(replies[1].Number(), 0u);
    // Zero-terminated, in the Windows form the control keeps its paths in.
    EXPECT_EQ(replies[2].bytes, StandinHarness::WindowsForm(destination_) + std::string(1, '\0'));
}

class StandinExistingFilesTest
    : public StandinProgramTest,
      public ::testing::WithParamInterface<std::pair<const char*, std::uint32_t>> {};

TEST_P(StandinExistingFilesTest, AnswerFromTheEnvironmentDecidesWhetherToResume) {
    WriteFile(destination_ + "/b.bin", "partial");
    StartAndGreet({{"KIVDL_DESTINATION", destination_}, {"KIVDL_EXISTING", GetParam().first}});
    harness_.SendContentList({"a.bin", "b.bin"});
    const std::vector<Reply> replies = harness_.AwaitReplies(3);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[1].kind, kResumeDecisionReply);
    EXPECT_EQ(replies[1].Number(), GetParam().second);
    EXPECT_EQ(replies[2].kind, kDestinationReply);
    EXPECT_TRUE(replies[2].hasData);
}

INSTANTIATE_TEST_SUITE_P(ResumeAndRestart, StandinExistingFilesTest,
                         ::testing::Values(std::make_pair("resume", 1u),
                                           std::make_pair("restart", 0u)));

TEST_F(StandinProgramTest, ExistingFilesNobodyCanBeAskedAboutMeanNoDestination) {
    // No answer for them and no terminal: the run must not guess.
    WriteFile(destination_ + "/a.bin", "partial");
    StartAndGreet({{"KIVDL_DESTINATION", destination_}});
    harness_.SendContentList({"a.bin"});
    const std::vector<Reply> replies = harness_.AwaitReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].kind, kDestinationReply);
    EXPECT_FALSE(replies[1].hasData);
}

TEST_F(StandinProgramTest, NoFolderGivenAndNoTerminalMeansNoDestinationAndSaysWhy) {
    StartAndGreet();
    harness_.SendContentList({"a.bin"});
    const std::vector<Reply> replies = harness_.AwaitReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].kind, kDestinationReply);
    EXPECT_FALSE(replies[1].hasData);
    EXPECT_NE(harness_.ErrorOutput().find("KIVDL_DESTINATION"), std::string::npos);
    EXPECT_TRUE(harness_.Running());
}

TEST_F(StandinProgramTest, PlacedFileIsMovedReplacingTheOldOneAndVisible) {
    StartWithDestination({"a.bin"});
    const std::string source = work_ + "/a.bin.part";
    WriteFile(source, "finished content");
    ASSERT_TRUE(
        win::SetFileAttributes(StandinHarness::WindowsForm(source), win::FILE_ATTRIBUTE_HIDDEN) ||
        win::GetLastError() == win::ERROR_NOT_SUPPORTED);
    WriteFile(destination_ + "/a.bin", "old");

    harness_.SendPlaceFile(source, destination_ + "/a.bin");
    const std::vector<Reply> replies = harness_.AwaitReplies(4);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[3].kind, kPlaceFileReply);
    EXPECT_EQ(replies[3].Number(), 0u);
    EXPECT_FALSE(std::filesystem::exists(source));
    EXPECT_EQ(ReadFile(destination_ + "/a.bin"), "finished content");
    const win::DWORD attributes =
        win::GetFileAttributes(StandinHarness::WindowsForm(destination_ + "/a.bin"));
    EXPECT_EQ(attributes & win::FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(StandinProgramTest, PlacingFailuresReplyTheirErrorCodeAndLeaveTheSource) {
    StartWithDestination({"a.bin"});
    harness_.SendPlaceFile(work_ + "/missing.part", destination_ + "/a.bin");
    std::vector<Reply> replies = harness_.AwaitReplies(4);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[3].kind, kPlaceFileReply);
    EXPECT_EQ(replies[3].Number(), win::ERROR_FILE_NOT_FOUND);

    // Only into the folder the user accepted, under one of the run's names.
    const std::string source = work_ + "/a.bin.part";
    WriteFile(source, "data");
    harness_.SendPlaceFile(source, harness_.Folder("home") + "/a.bin");
    harness_.AwaitReplies(5);
    harness_.SendPlaceFile(source, destination_ + "/other.bin");
    replies = harness_.AwaitReplies(6);
    ASSERT_EQ(replies.size(), 6u);
    EXPECT_EQ(replies[4].Number(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(replies[5].Number(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadFile(source), "data");

    // The refusal names the request's path with nothing in it a terminal acts on.
    harness_.SendPlaceFile(source, destination_ + "/x\u202Enib.exe\u009b2J\u001b]0;t");
    replies = harness_.AwaitReplies(7);
    ASSERT_EQ(replies.size(), 7u);
    EXPECT_EQ(replies[6].Number(), win::ERROR_ACCESS_DENIED);
    const std::string output = harness_.ErrorOutput();
    EXPECT_NE(output.find("x\\u202enib.exe\\u009b2J\\x1b]0;t"), std::string::npos) << output;
    for (const char* raw : {"\u202E", "\u009b", "\x1b"}) {
        EXPECT_EQ(output.find(raw), std::string::npos) << output;
    }
}

// A request can come from any confined worker: it names a file of ours
// elsewhere, a way out with "..", or a link in the temporary folder.
TEST_F(StandinProgramTest, ASourceOutsideTheLowTemporaryFolderIsNeverMoved) {
    StartWithDestination({"a.bin"});
    const std::string secret = harness_.Folder("home") + "/secret.txt";
    WriteFile(secret, "secret");
    std::filesystem::create_directory_symlink(harness_.Folder("home"), work_ + "/home");
    std::filesystem::create_symlink(secret, work_ + "/a.bin.part");
    const std::vector<std::string> sources = {secret, work_ + "/../../home/secret.txt",
                                              work_ + "/home/secret.txt", work_ + "/a.bin.part"};
    for (std::size_t i = 0; i < sources.size(); ++i) {
        harness_.SendPlaceFile(sources[i], destination_ + "/a.bin");
        const std::vector<Reply> replies = harness_.AwaitReplies(4 + i);
        ASSERT_EQ(replies.size(), 4 + i);
        EXPECT_EQ(replies.back().Number(), win::ERROR_ACCESS_DENIED) << sources[i];
    }
    EXPECT_EQ(ReadFile(secret), "secret");
    EXPECT_FALSE(std::filesystem::exists(destination_ + "/a.bin"));
}

TEST_F(StandinProgramTest, DotDotInTheDestinationCannotLeadThroughALinkElsewhere) {
    StartWithDestination({"a.bin"});
    const std::string elsewhere = harness_.Folder("home/elsewhere/deeper");
    std::filesystem::create_directory_symlink(elsewhere, destination_ + "/sub");
    const std::string source = work_ + "/a.bin.part";
    WriteFile(source, "data");

    harness_.SendPlaceFile(source, destination_ + "/sub/../a.bin");
    const std::vector<Reply> replies = harness_.AwaitReplies(4);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[3].Number(), 0u);
    EXPECT_EQ(ReadFile(destination_ + "/a.bin"), "data");
    EXPECT_FALSE(std::filesystem::exists(harness_.Folder("home/elsewhere") + "/a.bin"));
}

// Another user who can write the folder's parent renames the accepted folder
// and leaves a link to a folder of their own: no file may follow the link.
TEST_F(StandinProgramTest, AFolderMovedAndReplacedByALinkAfterItsChoiceGetsNoFile) {
    StartWithDestination({"a.bin", "b.bin"});
    const std::string theirs = harness_.Folder("home/theirs");
    std::filesystem::rename(destination_, destination_ + ".moved");
    std::filesystem::create_directory_symlink(theirs, destination_);
    const std::string source = work_ + "/a.bin.part";
    WriteFile(source, "private");

    harness_.SendPlaceFile(source, destination_ + "/a.bin");
    std::vector<Reply> replies = harness_.AwaitReplies(4);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[3].Number(), win::ERROR_FILE_INVALID);
    EXPECT_NE(harness_.ErrorOutput().find("was moved or replaced"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(theirs));
    EXPECT_EQ(ReadFile(source), "private");

    // Moved back, it is the accepted folder again.
    std::filesystem::remove(destination_);
    std::filesystem::rename(destination_ + ".moved", destination_);
    harness_.SendPlaceFile(source, destination_ + "/a.bin");
    replies = harness_.AwaitReplies(5);
    ASSERT_EQ(replies.size(), 5u);
    EXPECT_EQ(replies[4].Number(), 0u);
    EXPECT_EQ(ReadFile(destination_ + "/a.bin"), "private");
    EXPECT_TRUE(std::filesystem::is_empty(theirs));
}

// Only a folder no other user can rename entries in is accepted.
TEST_F(StandinProgramTest, AFolderOthersMayRenameEntriesInIsNotAccepted) {
    ASSERT_EQ(::chmod(destination_.c_str(), 0777), 0);
    StartAndGreet({{"KIVDL_DESTINATION", destination_}});
    harness_.SendContentList({"a.bin"});
    std::vector<Reply> replies = harness_.AwaitReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies.back().kind, kDestinationReply);
    EXPECT_FALSE(replies.back().hasData);
    EXPECT_NE(harness_.ErrorOutput().find("can be written by other users"), std::string::npos);

    ASSERT_EQ(::chmod(destination_.c_str(), 01777), 0);  // the sticky bit keeps entries theirs
    harness_.SendContentList({"a.bin"});
    replies = harness_.AwaitReplies(4);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_TRUE(replies.back().hasData);
}

TEST_F(StandinProgramTest, PlacingBeforeAnyFolderWasAcceptedIsRefused) {
    StartAndGreet();
    const std::string source = work_ + "/a.bin.part";
    WriteFile(source, "data");
    harness_.SendPlaceFile(source, destination_ + "/a.bin");
    const std::vector<Reply> replies = harness_.AwaitReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].Number(), win::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(std::filesystem::exists(source));
}

TEST_F(StandinProgramTest, MalformedWorkFilesAreAnsweredAsFailuresAndTheProgramGoesOn) {
    StartAndGreet();
    AssistantBytes list =
        BuildWorkFile(kContentListRequest,
                      BuildContentListRecord("c", "", "", std::vector<ContentItemRecord>(2)));
    list.resize(list.size() - 1);  // one byte short of its items
    harness_.SendBytes(list);
    harness_.AwaitReplies(2);
    AssistantBytes place = BuildWorkFile(kPlaceFileRequest, BuildPlaceFileRecord("Z:\\a", "Z:\\b"));
    place.resize(100);
    harness_.SendBytes(place);
    harness_.AwaitReplies(3);
    harness_.SendBytes({7, 0, 0, 0});

    const std::vector<Reply> replies = harness_.AwaitReplies(4);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[1].kind, kDestinationReply);
    EXPECT_FALSE(replies[1].hasData);
    EXPECT_EQ(replies[2].kind, kPlaceFileReply);
    EXPECT_EQ(replies[2].Number(), win::ERROR_INVALID_DATA);
    EXPECT_EQ(replies[3].kind, kPlaceFileReply);
    EXPECT_EQ(replies[3].Number(), win::ERROR_INVALID_DATA);
    EXPECT_TRUE(harness_.Running());
}

TEST_F(StandinProgramTest, RequestThatCannotBeAnsweredCancelsTheControlsRun) {
    // Before the greeting there is nowhere to reply; the control must not wait forever.
    ASSERT_TRUE(harness_.Start());
    harness_.SendContentList({"a.bin"});
    EXPECT_TRUE(harness_.AwaitCancel());
    EXPECT_TRUE(harness_.AwaitReplies(0).empty());
    EXPECT_TRUE(harness_.Running());
}

TEST_F(StandinProgramTest, EndsByItselfWhenTheReplyWindowIsDestroyed) {
    StartAndGreet();
    harness_.DestroyReplyWindow();
    EXPECT_EQ(harness_.AwaitExit(kExitBoundMs), 0);
}

TEST_F(StandinProgramTest, OnATerminalTheUserIsAskedForTheFolderAndTheExistingFiles) {
    WriteFile(destination_ + "/b.bin", "partial");
    ASSERT_TRUE(harness_.StartOnTerminal());
    harness_.Greet();
    ASSERT_EQ(harness_.AwaitReplies(1).size(), 1u);
    harness_.SendContentList({"a.bin", "b.bin"});

    ASSERT_NE(harness_.AwaitTerminalText("Select the download folder."), "");
    ASSERT_NE(harness_.AwaitTerminalText("]: "), "");
    harness_.TypeOnTerminal(destination_);
    const std::string question = harness_.AwaitTerminalText("Resume the download");
    EXPECT_NE(question.find("b.bin"), std::string::npos);
    EXPECT_EQ(question.find("a.bin"), std::string::npos);
    ASSERT_NE(harness_.AwaitTerminalText(": "), "");
    harness_.TypeOnTerminal("y");

    const std::vector<Reply> replies = harness_.AwaitReplies(3);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[1].kind, kResumeDecisionReply);
    EXPECT_EQ(replies[1].Number(), 1u);
    EXPECT_EQ(replies[2].bytes, StandinHarness::WindowsForm(destination_) + std::string(1, '\0'));
}

TEST_F(StandinProgramTest, WithInputRedirectedNobodyIsAskedEvenThoughThereIsATerminal) {
    ASSERT_TRUE(harness_.StartOnTerminal({}, true));
    harness_.Greet();
    ASSERT_EQ(harness_.AwaitReplies(1).size(), 1u);
    harness_.SendContentList({"a.bin"});
    const std::vector<Reply> replies = harness_.AwaitReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].kind, kDestinationReply);
    EXPECT_FALSE(replies[1].hasData);
}

TEST_F(StandinProgramTest, OpenQuestionEndsAndTheProgramWithItWhenTheControlGoes) {
    ASSERT_TRUE(harness_.StartOnTerminal());
    harness_.Greet();
    ASSERT_EQ(harness_.AwaitReplies(1).size(), 1u);
    harness_.SendContentList({"a.bin"});
    ASSERT_NE(harness_.AwaitTerminalText("Select the download folder."), "");

    harness_.DestroyReplyWindow();
    EXPECT_EQ(harness_.AwaitExit(kExitBoundMs), 0);
}

}  // namespace

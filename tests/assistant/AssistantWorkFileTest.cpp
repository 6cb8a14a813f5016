// The work file as the client writes it, without an assistant: named events
// stay in this process here, so the test sees the request event directly.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "assistant/AssistantIds.h"
#include "assistant/KivDownloadAssistant.h"
#include "platform/Event.h"
#include "platform/File.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "platform/LittleEndian.h"
#include "tests/assistant/AssistantTestSupport.h"

using kivassistant::BuildContentItemRecord;
using kivassistant::CKivDownloadAssistant;
using kivassistant::ContentItemRecord;
using kivassistant::kContentListRequest;
using kivassistant::kPlaceFileRequest;

namespace {

using assistanttest::PrivateEnvironment;
using assistanttest::TestOwner;

std::string ReadNative(const std::string& path) {
    std::string bytes;
    std::string windows;
    EXPECT_TRUE(win::FromNativePath(path, windows));
    EXPECT_TRUE(win::ReadWholeFile(windows, bytes)) << path;
    return bytes;
}

std::uint32_t WordAt(const std::string& bytes, std::size_t at) {
    return win::GetLE32(reinterpret_cast<const std::uint8_t*>(bytes.data() + at));
}

bool Exists(const std::string& native) {
    struct stat info {};
    return stat(native.c_str(), &info) == 0;
}

class AssistantWorkFileTest : public ::testing::Test {
protected:
    void SetUp() override { win::SetNamedEventBackend(nullptr); }

    // A second handle on the client's request event: a wait takes its signal.
    bool RequestSignalled() {
        if (!requestSeen_.IsValid()) return false;
        return requestSeen_.Wait(0) == win::WAIT_OBJECT_0;
    }
    bool HiddenOnDisk(const std::string& native) {
        const win::DWORD attributes = win::GetFileAttributes(PrivateEnvironment::Windows(native));
        return attributes != win::INVALID_FILE_ATTRIBUTES &&
               (attributes & win::FILE_ATTRIBUTE_HIDDEN) != 0;
    }
    std::vector<ContentItemRecord> ThreeItems() const {
        return {BuildContentItemRecord("a.bin", "http://127.0.0.1/a.bin"),
                BuildContentItemRecord("b.bin", "http://127.0.0.1/b.bin"),
                BuildContentItemRecord("c.bin", "http://127.0.0.1/c.bin")};
    }

    PrivateEnvironment environment_;
    CKivDownloadAssistant client_{nullptr};
    win::CEvent requestSeen_;

    // Joins the request event and takes a signal left by earlier requests.
    void JoinRequestEvent() {
        ASSERT_TRUE(requestSeen_.Create(false, false, kRequestEventName));
        requestSeen_.Wait(0);
    }
};

TEST_F(AssistantWorkFileTest, ContentListOfThreeItemsIsWrittenWholeHiddenAndAnnounced) {
    JoinRequestEvent();
    ASSERT_FALSE(Exists(environment_.Native("cache/Temp"))) << "the request makes the folders";

    ASSERT_TRUE(client_.SendContentList("Caption", kContentListIdentifier, ThreeItems()));

    const std::string bytes = ReadNative(environment_.WorkFile());
    ASSERT_EQ(bytes.size(), 3636u);
    EXPECT_EQ(WordAt(bytes, 0), kContentListRequest);
    EXPECT_EQ(WordAt(bytes, 4), 1316u);
    EXPECT_EQ(WordAt(bytes, 8), 3u);
    EXPECT_EQ(bytes.substr(4 + 24, 8), std::string("Caption\0", 8));
    EXPECT_EQ(bytes.substr(4 + 544 + 2 * 772, 6), std::string("c.bin\0", 6));
    EXPECT_EQ(bytes.substr(bytes.size() - 772), std::string(772, '\0'));
    EXPECT_TRUE(HiddenOnDisk(environment_.WorkFile()));
    EXPECT_TRUE(RequestSignalled());
    EXPECT_FALSE(RequestSignalled()) << "one signal per request";
}

TEST_F(AssistantWorkFileTest, NextRequestReplacesAPreviousOneLeftReadOnly) {
    ASSERT_TRUE(client_.SendContentList("Caption", kContentListIdentifier, ThreeItems()));
    const std::string windows = PrivateEnvironment::Windows(environment_.WorkFile());
    ASSERT_TRUE(
        win::SetFileAttributes(windows, win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN));

    ASSERT_TRUE(client_.SendPlaceFile("Z:\\low\\a.bin", "Z:\\dest\\a.bin"));

    const std::string bytes = ReadNative(environment_.WorkFile());
    ASSERT_EQ(bytes.size(), 4u + 524u);
    EXPECT_EQ(WordAt(bytes, 0), kPlaceFileRequest);
    EXPECT_EQ(WordAt(bytes, 4), 524u);
    EXPECT_EQ(bytes.substr(4 + 264, 15), std::string("Z:\\dest\\a.bin\0\0", 15));
    EXPECT_TRUE(HiddenOnDisk(environment_.WorkFile()));
}

TEST_F(AssistantWorkFileTest, FileHeldByAnotherFailsWithTheBoxAndStillSignals) {
    TestOwner owner;
    ASSERT_TRUE(client_.Start(owner, "/bin/true"));
    ASSERT_TRUE(client_.SendPlaceFile("Z:\\low\\a.bin", "Z:\\dest\\a.bin"));
    JoinRequestEvent();
    const std::string windows = PrivateEnvironment::Windows(environment_.WorkFile());
    {
        win::CFile holder;
        ASSERT_TRUE(holder.Open(windows, win::CFile::modeRead | win::CFile::shareExclusive));

        EXPECT_FALSE(client_.SendPlaceFile("Z:\\low\\b.bin", "Z:\\dest\\b.bin"));
        EXPECT_EQ(win::GetLastError(), win::ERROR_SHARING_VIOLATION);
        EXPECT_TRUE(RequestSignalled());
        // As on Windows, a file held open cannot be deleted either; the run
        // fails on this request, so no reply is awaited for it.
        EXPECT_TRUE(Exists(environment_.WorkFile()));
    }
    const std::vector<std::string> boxes = owner.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(windows), std::string::npos) << boxes[0];
    EXPECT_GT(boxes[0].size(), windows.size() + 2) << "the cause follows the name";

    EXPECT_TRUE(client_.SendPlaceFile("Z:\\low\\b.bin", "Z:\\dest\\b.bin")) << "free again";
}

// The low-integrity folder is writable by the confined worker: a link it
// leaves as the work file is never written, nor its file's attributes changed.
TEST_F(AssistantWorkFileTest, LinkInTheWorkFilesPlaceIsNotWrittenThrough) {
    ASSERT_TRUE(client_.SendPlaceFile("Z:\\low\\a.bin", "Z:\\dest\\a.bin"));
    const std::string victim = environment_.Native("victim.txt");
    std::ofstream(victim) << "secret";
    ASSERT_TRUE(
        win::SetFileAttributes(PrivateEnvironment::Windows(victim), win::FILE_ATTRIBUTE_READONLY));
    ASSERT_EQ(std::remove(environment_.WorkFile().c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), environment_.WorkFile().c_str()), 0);

    EXPECT_FALSE(client_.SendPlaceFile("Z:\\low\\b.bin", "Z:\\dest\\b.bin"));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadNative(victim), "secret");
    EXPECT_EQ(win::GetFileAttributes(PrivateEnvironment::Windows(victim)),
              win::FILE_ATTRIBUTE_READONLY);
}

TEST_F(AssistantWorkFileTest, FailureBeforeStartHasNoBoxButStillSignals) {
    // The folder's place is taken by a file, so the work file cannot be made.
    ASSERT_TRUE(
        win::CreateDirectory(PrivateEnvironment::Windows(environment_.Native("cache/Temp"))));
    {
        win::CFile blocker;
        ASSERT_TRUE(blocker.Open(PrivateEnvironment::Windows(environment_.Native("cache/Temp/Low")),
                                 win::CFile::modeCreate | win::CFile::modeWrite));
    }
    JoinRequestEvent();

    EXPECT_FALSE(client_.SendPlaceFile("Z:\\low\\a.bin", "Z:\\dest\\a.bin"));
    EXPECT_NE(win::GetLastError(), win::ERROR_SUCCESS);
    EXPECT_TRUE(RequestSignalled());
}

TEST_F(AssistantWorkFileTest, OlderLayoutWritesToTheTemporaryFolder) {
    PrivateEnvironment::SetLayout(false);
    ASSERT_TRUE(client_.SendPlaceFile("Z:\\tmp\\a.bin", "Z:\\dest\\a.bin"));
    EXPECT_EQ(ReadNative(environment_.Native("tmp/dlcwork.tmp")).size(), 4u + 524u);
    EXPECT_FALSE(Exists(environment_.WorkFile()));
}

}  // namespace

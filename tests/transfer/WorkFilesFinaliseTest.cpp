// Finalisation: good files become visible (only the hidden bit changes), or
// are placed by the assistant; broken files stay as they are.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "tests/transfer/WorkFilesTestEnv.h"
#include "transfer/FinaliseItems.h"

using kivtransfer::FinaliseItems;
using kivtransfer::IFilePlacer;

namespace {

using worktest::AssistantModeControl;

class ScriptedPlacer : public IFilePlacer {
public:
    bool SendPlaceFile(const std::string& source, const std::string& destination) override {
        requests.emplace_back(source, destination);
        if (!sendWorks) {
            win::SetLastError(win::ERROR_SHARING_VIOLATION);
        }
        return sendWorks;
    }
    bool WaitForReply() override { return placed; }

    std::vector<std::pair<std::string, std::string>> requests;
    bool sendWorks = true;
    bool placed = true;
};

class WorkFilesFinaliseTest : public worktest::IsolatedEnvironment {
protected:
    std::string HiddenFile(const std::string& name, win::DWORD extra = 0) {
        const std::string path = WriteFile(name, "data");
        EXPECT_TRUE(win::SetFileAttributes(path, win::FILE_ATTRIBUTE_HIDDEN | extra));
        return path;
    }
};

TEST_F(WorkFilesFinaliseTest, OnlyTheHiddenBitIsClearedAndBrokenFilesStayHidden) {
    FakeDownloadControl control;
    const std::string plain = HiddenFile("plain.bin");
    const std::string readOnly = HiddenFile("ro.bin", win::FILE_ATTRIBUTE_READONLY);
    const std::string archive = HiddenFile("ar.bin", win::FILE_ATTRIBUTE_ARCHIVE);
    const std::string broken = HiddenFile("broken.bin");
    control.AddItem("u1", plain, "plain.bin");
    control.AddItem("u2", readOnly, "ro.bin");
    control.AddItem("u3", archive, "ar.bin");
    control.AddItem("u4", broken, "broken.bin").flags |= CDF_BROKEN;

    ASSERT_TRUE(FinaliseItems(control, nullptr));
    EXPECT_EQ(win::GetFileAttributes(plain), win::FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(win::GetFileAttributes(readOnly), win::FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(win::GetFileAttributes(archive), win::FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(win::GetFileAttributes(broken), win::FILE_ATTRIBUTE_HIDDEN);
    for (const auto& item : control.items) {
        EXPECT_TRUE(item->flags & CDF_FINALIZED) << item->name;
    }
    EXPECT_EQ(control.items[0]->localPath, plain);
}

TEST_F(WorkFilesFinaliseTest, GoodFileThatIsGoneOrReplacedIsNotReportedAsDelivered) {
    FakeDownloadControl control;
    control.AddItem("u1", root_.Windows() + "\\gone.bin", "gone.bin");
    EXPECT_FALSE(FinaliseItems(control, nullptr));
    EXPECT_EQ(control.error.errorCode, 103);
    EXPECT_EQ(control.error.lastError, win::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(control.items[0]->flags & CDF_FINALIZED);

    FakeDownloadControl replaced;  // a link planted in the finished file's place
    WriteFile("victim.txt", "secret");
    ASSERT_EQ(symlink(root_.Native("victim.txt").c_str(), root_.Native("link.bin").c_str()), 0);
    replaced.AddItem("u1", root_.Windows() + "\\link.bin", "link.bin");
    EXPECT_FALSE(FinaliseItems(replaced, nullptr));
    EXPECT_EQ(replaced.error.errorCode, 103);
    EXPECT_EQ(replaced.error.lastError, win::ERROR_ACCESS_DENIED);
}

TEST_F(WorkFilesFinaliseTest, AssistantPlacesGoodFilesAtTheirFinalPaths) {
    AssistantModeControl control;
    control.destinationFolder = "Z:\\dl";
    const std::string first = HiddenFile("tmp/a.bin");
    control.AddItem("u1", first, "a.bin");
    control.AddItem("u2", "Z:\\tmp\\b.bin", "b.bin").flags |= CDF_BROKEN;
    control.AddItem("u3", "Z:\\tmp\\c.bin", "c.bin");
    ScriptedPlacer placer;

    ASSERT_TRUE(FinaliseItems(control, &placer));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {first, "Z:\\dl\\a.bin"}, {"Z:\\tmp\\c.bin", "Z:\\dl\\c.bin"}};
    EXPECT_EQ(placer.requests, expected);
    EXPECT_EQ(control.items[0]->localPath, "Z:\\dl\\a.bin");
    EXPECT_EQ(control.items[1]->localPath, "Z:\\tmp\\b.bin");
    EXPECT_EQ(control.items[2]->localPath, "Z:\\dl\\c.bin");
    for (const auto& item : control.items) {
        EXPECT_TRUE(item->flags & CDF_FINALIZED) << item->name;
    }
    // Moving the file is the assistant's job; the control leaves its attributes alone.
    EXPECT_EQ(win::GetFileAttributes(first), win::FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(WorkFilesFinaliseTest, AssistantRefusalIs103AndKeepsItsCodeAndThePath) {
    AssistantModeControl control;
    control.destinationFolder = "Z:\\dl";
    control.AddItem("u1", "Z:\\tmp\\a.bin", "a.bin");
    control.AddItem("u2", "Z:\\tmp\\b.bin", "b.bin");
    control.error.lastError = 5;  // as the reply handler stores the assistant's code
    ScriptedPlacer placer;
    placer.placed = false;

    EXPECT_FALSE(FinaliseItems(control, &placer));
    EXPECT_EQ(control.error.errorCode, 103);
    EXPECT_EQ(control.error.lastError, 5u);
    EXPECT_EQ(placer.requests.size(), 1u);  // the run stops at the first refusal
    EXPECT_EQ(control.items[0]->localPath, "Z:\\tmp\\a.bin");
    EXPECT_FALSE(control.items[0]->flags & CDF_FINALIZED);
}

TEST_F(WorkFilesFinaliseTest, RequestThatCannotBeSentIs999WithTheSystemCode) {
    AssistantModeControl control;
    control.AddItem("u1", "Z:\\tmp\\a.bin", "a.bin");
    ScriptedPlacer placer;
    placer.sendWorks = false;
    EXPECT_FALSE(FinaliseItems(control, &placer));
    EXPECT_EQ(control.error.errorCode, 999);
    EXPECT_EQ(control.error.lastError, win::ERROR_SHARING_VIOLATION);

    AssistantModeControl withoutPlacer;
    withoutPlacer.AddItem("u1", "Z:\\tmp\\a.bin", "a.bin");
    EXPECT_FALSE(FinaliseItems(withoutPlacer, nullptr));
    EXPECT_EQ(withoutPlacer.error.errorCode, 999);
    EXPECT_EQ(withoutPlacer.error.lastError, win::ERROR_NOT_SUPPORTED);
}

}  // namespace

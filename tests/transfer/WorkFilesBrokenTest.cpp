// Broken files: their names for the error message and their deletion.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/FileApi.h"
#include "tests/transfer/WorkFilesTestEnv.h"
#include "transfer/BrokenFiles.h"

using kivtransfer::BrokenFileList;
using kivtransfer::DeleteBrokenFiles;

namespace {

class WorkFilesBrokenTest : public worktest::IsolatedEnvironment {};

TEST_F(WorkFilesBrokenTest, ListNamesBrokenItemsInOrderEachBehindATab) {
    FakeDownloadControl control;
    control.AddItem("u1", {}, "A").flags |= CDF_BROKEN;
    control.AddItem("u2", {}, "good");
    control.AddItem("u3", {}, "B").flags |= CDF_BROKEN | CDF_FINALIZED;
    std::string text = "old";
    ASSERT_TRUE(BrokenFileList(control.items, text));
    EXPECT_EQ(text, "\tA\n\tB");

    control.items[0]->flags = 0;
    ASSERT_TRUE(BrokenFileList(control.items, text));
    EXPECT_EQ(text, "\tB");
    control.items[2]->flags = 0;
    ASSERT_TRUE(BrokenFileList(control.items, text));
    EXPECT_EQ(text, "");
}

TEST_F(WorkFilesBrokenTest, DeletesBrokenFilesEvenReadOnlyHiddenOnesAndKeepsGoodOnes) {
    FakeDownloadControl control;
    const std::string locked = WriteFile("locked.bin", "x");
    ASSERT_TRUE(
        win::SetFileAttributes(locked, win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN));
    const std::string good = WriteFile("good.bin", "x");
    control.AddItem("u1", locked, "locked.bin").flags |= CDF_BROKEN;
    control.AddItem("u2", good, "good.bin");
    control.AddItem("u3", root_.Windows() + "\\never-written.bin", "never-written.bin").flags |=
        CDF_BROKEN;
    control.destinationFolder = root_.Windows();

    EXPECT_TRUE(DeleteBrokenFiles(control));
    EXPECT_FALSE(std::filesystem::exists(root_.Native("locked.bin")));
    EXPECT_TRUE(std::filesystem::exists(root_.Native("good.bin")));
}

// A local path that a forged record could have given is never deleted: only
// the item's own name in the destination, or a file in the low temporary folder.
TEST_F(WorkFilesBrokenTest, DeletesOnlyTheRunsOwnFiles) {
    FakeDownloadControl control;
    control.destinationFolder = root_.Windows("dest");
    const std::string secret = WriteFile("secret.txt", "x");
    const std::string otherName = WriteFile("dest/other.bin", "x");
    const std::string work = WriteFile("cache/Temp/Low/Velmo/a.bin", "x");
    control.AddItem("u1", secret, "a.bin").flags |= CDF_BROKEN;
    control.AddItem("u2", otherName, "b.bin").flags |= CDF_BROKEN;
    control.AddItem("u3", root_.Windows("cache/Temp/Low") + "\\..\\..\\secret.txt", "c.bin")
        .flags |= CDF_BROKEN;
    control.AddItem("u4", work, "d.bin").flags |= CDF_BROKEN;

    EXPECT_TRUE(DeleteBrokenFiles(control));
    EXPECT_TRUE(std::filesystem::exists(root_.Native("secret.txt")));
    EXPECT_TRUE(std::filesystem::exists(root_.Native("dest/other.bin")));
    EXPECT_FALSE(std::filesystem::exists(root_.Native("cache/Temp/Low/Velmo/a.bin")));
}

}  // namespace

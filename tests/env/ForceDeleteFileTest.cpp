#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "EnvTestHelpers.h"
#include "env/PathRules.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"

namespace {

using env::ForceDeleteFile;

constexpr win::DWORD kReadOnlyHidden = win::FILE_ATTRIBUTE_READONLY | win::FILE_ATTRIBUTE_HIDDEN;

class ForceDeleteFileTest : public ::testing::Test {
protected:
    std::string CreateFile(const std::string& child, win::DWORD attributes) {
        std::ofstream(folder_.Native(child)) << "data";
        const std::string path = folder_.Windows(child);
        EXPECT_TRUE(win::SetFileAttributes(path, attributes));
        return path;
    }

    envtest::TempFolder folder_;
};

TEST_F(ForceDeleteFileTest, DeletesReadOnlyHiddenFile) {
    const std::string path = CreateFile("locked.bin", kReadOnlyHidden);
    ASSERT_EQ(win::GetFileAttributes(path) & kReadOnlyHidden, kReadOnlyHidden);

    EXPECT_TRUE(ForceDeleteFile(path));
    EXPECT_FALSE(std::filesystem::exists(folder_.Native("locked.bin")));
}

TEST_F(ForceDeleteFileTest, MissingFileCountsAsDeleted) {
    EXPECT_TRUE(ForceDeleteFile(folder_.Windows("absent.bin")));
    EXPECT_TRUE(ForceDeleteFile(folder_.Windows("no-such-folder/absent.bin")));
}

TEST_F(ForceDeleteFileTest, EmptyPathIsAMissingArgument) {
    win::SetLastError(0);
    EXPECT_FALSE(ForceDeleteFile(""));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_PARAMETER);
}

TEST_F(ForceDeleteFileTest, FailedDeleteRestoresAttributesAndKeepsItsError) {
    // A folder cannot be deleted as a file, whoever runs the test.
    ASSERT_TRUE(std::filesystem::create_directory(folder_.Native("sub")));
    const std::string path = folder_.Windows("sub");
    ASSERT_TRUE(win::SetFileAttributes(path, kReadOnlyHidden));
    const win::DWORD before = win::GetFileAttributes(path);

    win::SetLastError(0);
    EXPECT_FALSE(ForceDeleteFile(path));
    const win::DWORD deleteError = win::GetLastError();

    EXPECT_EQ(win::GetFileAttributes(path), before);
    EXPECT_NE(deleteError, win::ERROR_SUCCESS);
    EXPECT_FALSE(win::DeleteFile(path));
    EXPECT_EQ(deleteError, win::GetLastError());
}

TEST_F(ForceDeleteFileTest, FileInReadOnlyFolderKeepsAttributesAndAccessDenied) {
    if (envtest::RunningAsRoot()) {
        GTEST_SKIP() << "root may delete in a read-only folder";
    }
    const std::string path = CreateFile("kept.bin", kReadOnlyHidden);
    const win::DWORD before = win::GetFileAttributes(path);
    ASSERT_EQ(chmod(folder_.Native().c_str(), 0555), 0);

    EXPECT_FALSE(ForceDeleteFile(path));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(win::GetFileAttributes(path), before);
    EXPECT_TRUE(std::filesystem::exists(folder_.Native("kept.bin")));
    ASSERT_EQ(chmod(folder_.Native().c_str(), 0700), 0);
}

TEST_F(ForceDeleteFileTest, UnreadableAttributesAreNotReportedAsDeleted) {
    if (envtest::RunningAsRoot()) {
        GTEST_SKIP() << "root may look into a folder without permissions";
    }
    const std::string path = CreateFile("hidden-away.bin", win::FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(chmod(folder_.Native().c_str(), 0), 0);

    EXPECT_FALSE(ForceDeleteFile(path));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
    ASSERT_EQ(chmod(folder_.Native().c_str(), 0700), 0);
    EXPECT_TRUE(std::filesystem::exists(folder_.Native("hidden-away.bin")));
}

}  // namespace

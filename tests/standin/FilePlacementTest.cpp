// Placing a finished file: renames, copies across file systems, and the
// failures the control is told about.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "assistant/standin/FilePlacement.h"
#include "platform/FileApi.h"
#include "platform/NativePath.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string WindowsForm(const std::string& native) {
    std::string windows;
    EXPECT_TRUE(win::FromNativePath(native, windows));
    return windows;
}

bool Hidden(const std::string& native) {
    const win::DWORD attributes = win::GetFileAttributes(WindowsForm(native));
    return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_HIDDEN);
}

// A folder on another file system than `than`, or empty when there is none.
std::string FolderOnAnotherFileSystem(const std::string& than) {
    struct stat here {};
    struct stat shm {};
    if (::stat(than.c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0) return {};
    if (here.st_dev == shm.st_dev || ::access("/dev/shm", W_OK) != 0) return {};
    std::string pattern = "/dev/shm/kiv-standin-test-XXXXXX";
    return ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

class FilePlacementTest : public ::testing::Test {
protected:
    coretest::TempFolder folder_;
    const std::string source_ = folder_.Path() + "/a.part";
    const std::string destination_ = folder_.Path() + "/a.bin";
};

TEST_F(FilePlacementTest, RenameReplacesAnExistingFileAndMakesItVisible) {
    WriteFile(source_, "new");
    const bool canHide = win::SetFileAttributes(WindowsForm(source_), win::FILE_ATTRIBUTE_HIDDEN);
    WriteFile(destination_, "old and longer");

    EXPECT_EQ(PlaceFile(source_, destination_), 0u);
    EXPECT_FALSE(fs::exists(source_));
    EXPECT_EQ(ReadFile(destination_), "new");
    if (canHide) {
        EXPECT_FALSE(Hidden(destination_));
    }
}

TEST_F(FilePlacementTest, FailuresGiveTheWindowsCodeAndKeepTheSource) {
    EXPECT_EQ(PlaceFile(source_, destination_), win::ERROR_FILE_NOT_FOUND);

    WriteFile(source_, "data");
    EXPECT_EQ(PlaceFile(source_, folder_.Path() + "/missing/a.bin"), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ReadFile(source_), "data");
}

// The confined worker writes the temporary folder: what it puts under the
// source's name is placed only when it is a plain file of the user's own.
TEST_F(FilePlacementTest, SourceThatIsNotTheUsersPlainFileIsRefusedAndNothingMoves) {
    const std::string victim = folder_.Path() + "/victim.txt";
    WriteFile(victim, "secret");
    WriteFile(destination_, "old");
    ASSERT_EQ(::symlink(victim.c_str(), source_.c_str()), 0);
    EXPECT_EQ(PlaceFile(source_, destination_), win::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::is_symlink(source_));
    fs::remove(source_);
    ASSERT_EQ(::link(victim.c_str(), source_.c_str()), 0);  // a second name of someone's file
    EXPECT_EQ(PlaceFile(source_, destination_), win::ERROR_ACCESS_DENIED);
    fs::remove(source_);
    ASSERT_EQ(::mkfifo(source_.c_str(), 0600), 0);
    EXPECT_EQ(PlaceFile(source_, destination_), win::ERROR_ACCESS_DENIED);

    // Read only a plain file: a FIFO placed there would hold the read.
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(destination_)));
    EXPECT_EQ(ReadFile(destination_), "old");
    EXPECT_EQ(ReadFile(victim), "secret");
}

TEST_F(FilePlacementTest, AcrossFileSystemsTheFileIsCopiedWithItsModeAndTheSourceRemoved) {
    const std::string other = FolderOnAnotherFileSystem(folder_.Path());
    if (other.empty()) GTEST_SKIP() << "no second writable file system";
    const std::string source = other + "/a.part";
    std::string content(200000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31 + 7);
    WriteFile(source, content);
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    WriteFile(destination_, "old");

    const win::DWORD result = PlaceFile(source, destination_);
    std::error_code ignored;
    const bool sourceLeft = fs::exists(source);
    fs::remove_all(other, ignored);

    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(sourceLeft);
    EXPECT_EQ(ReadFile(destination_), content);
    struct stat info {};
    ASSERT_EQ(::stat(destination_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // No temporary copy is left beside the destination.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Path()), fs::directory_iterator()), 1);
}

TEST_F(FilePlacementTest, FailedCopyAcrossFileSystemsLeavesTheDestinationAndTheSource) {
    const std::string other = FolderOnAnotherFileSystem(folder_.Path());
    if (other.empty()) GTEST_SKIP() << "no second writable file system";
    const std::string source = other + "/a.part";
    WriteFile(source, "new");
    // A folder in the file's place: the finished copy cannot be renamed over it.
    const std::string occupied = folder_.Path() + "/a.bin";
    fs::create_directory(occupied);
    WriteFile(occupied + "/kept", "old");

    const win::DWORD result = PlaceFile(source, occupied);
    const std::string sourceContent = ReadFile(source);
    std::error_code ignored;
    fs::remove_all(other, ignored);

    EXPECT_NE(result, 0u);
    EXPECT_EQ(sourceContent, "new");
    EXPECT_EQ(ReadFile(occupied + "/kept"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Path()), fs::directory_iterator()), 1);
}

}  // namespace

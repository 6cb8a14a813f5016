// Placing a finished file: renames, copies across file systems, and the
// failures the control is told about.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/FileApi.h"
#include "platform/NativePath.h"
#include "platform/NewFileMode.h"
#include "platform/UniqueFd.h"
#include "programs/assistant/FilePlacement.h"
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
    // Placed as the program places: by name, in the folder held open.
    win::DWORD Place(const std::string& source, const std::string& name, std::string& kept) {
        return PlaceFile(source, folderFd_.Get(), name, kept);
    }

    coretest::TempFolder folder_;
    const win::CUniqueFd folderFd_{::open(folder_.Path().c_str(), O_RDONLY | O_DIRECTORY)};
    const std::string source_ = folder_.Path() + "/a.part";
    const std::string destination_ = folder_.Path() + "/a.bin";
};

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Nothing at the destination is replaced: another file is kept under the
// first free numbered name, one with the very same bytes stays as it is.
// The placed file is visible and has the mode of a new file of the user's.
TEST_F(FilePlacementTest, AFileInTheWayIsKeptAsideAndAnIdenticalOneStays) {
    WriteFile(source_, "new");
    ASSERT_EQ(::chmod(source_.c_str(), 0600), 0);
    const bool canHide = win::SetFileAttributes(WindowsForm(source_), win::FILE_ATTRIBUTE_HIDDEN);
    WriteFile(destination_, "old and longer");
    WriteFile(folder_.Path() + "/a (1).bin", "taken");

    std::string kept;
    EXPECT_EQ(Place(source_, "a.bin", kept), 0u);
    EXPECT_EQ(kept, "a (2).bin");
    EXPECT_FALSE(fs::exists(source_));
    EXPECT_EQ(ReadFile(destination_), "new");
    EXPECT_EQ(ReadFile(folder_.Path() + "/" + kept), "old and longer");
    EXPECT_EQ(ReadFile(folder_.Path() + "/a (1).bin"), "taken");
    EXPECT_EQ(ModeOf(destination_), win::NewFileMode());
    if (canHide) {
        EXPECT_FALSE(Hidden(destination_));
    }

    WriteFile(source_, "new");
    ASSERT_EQ(::chmod(destination_.c_str(), 0640), 0);
    EXPECT_EQ(Place(source_, "a.bin", kept), 0u);
    EXPECT_EQ(kept, "");
    EXPECT_FALSE(fs::exists(source_));
    EXPECT_EQ(ReadFile(destination_), "new");
    EXPECT_EQ(ModeOf(destination_), 0640u) << "the user's own file is left as it is";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Path()), fs::directory_iterator()), 3);
}

TEST_F(FilePlacementTest, FailuresGiveTheWindowsCodeAndKeepTheSource) {
    std::string kept;
    EXPECT_EQ(Place(source_, "a.bin", kept), win::ERROR_FILE_NOT_FOUND);

    WriteFile(source_, "data");
    EXPECT_EQ(Place(source_, "missing/a.bin", kept),
              win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ReadFile(source_), "data");
}

// The confined worker writes the temporary folder: what it puts under the
// source's name is placed only when it is a plain file of the user's own.
TEST_F(FilePlacementTest, SourceThatIsNotTheUsersPlainFileIsRefusedAndNothingMoves) {
    const std::string victim = folder_.Path() + "/victim.txt";
    WriteFile(victim, "secret");
    WriteFile(destination_, "old");
    std::string kept;
    ASSERT_EQ(::symlink(victim.c_str(), source_.c_str()), 0);
    EXPECT_EQ(Place(source_, "a.bin", kept), win::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::is_symlink(source_));
    fs::remove(source_);
    ASSERT_EQ(::link(victim.c_str(), source_.c_str()), 0);  // a second name of someone's file
    EXPECT_EQ(Place(source_, "a.bin", kept), win::ERROR_ACCESS_DENIED);
    fs::remove(source_);
    ASSERT_EQ(::mkfifo(source_.c_str(), 0600), 0);
    EXPECT_EQ(Place(source_, "a.bin", kept), win::ERROR_ACCESS_DENIED);

    // Read only a plain file: a FIFO placed there would hold the read.
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(destination_)));
    EXPECT_EQ(ReadFile(destination_), "old");
    EXPECT_EQ(ReadFile(victim), "secret");
}

TEST_F(FilePlacementTest, AcrossFileSystemsTheFileIsCopiedAndTheSourceRemoved) {
    const std::string other = FolderOnAnotherFileSystem(folder_.Path());
    if (other.empty()) GTEST_SKIP() << "no second writable file system";
    const std::string source = other + "/a.part";
    std::string content(200000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 31 + 7);
    WriteFile(source, content);
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    WriteFile(destination_, "old");

    std::string kept;
    const win::DWORD result = Place(source, "a.bin", kept);
    std::error_code ignored;
    const bool sourceLeft = fs::exists(source);
    fs::remove_all(other, ignored);

    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(sourceLeft);
    EXPECT_EQ(ReadFile(destination_), content);
    EXPECT_EQ(ReadFile(folder_.Path() + "/" + kept), "old");
    EXPECT_EQ(ModeOf(destination_), win::NewFileMode());
    // No temporary copy is left beside the destination.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Path()), fs::directory_iterator()), 2);
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

    std::string kept;
    const win::DWORD result = Place(source, "a.bin", kept);
    const std::string sourceContent = ReadFile(source);
    std::error_code ignored;
    fs::remove_all(other, ignored);

    EXPECT_NE(result, 0u);
    EXPECT_EQ(sourceContent, "new");
    EXPECT_EQ(ReadFile(occupied + "/kept"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Path()), fs::directory_iterator()), 1);
}

}  // namespace

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "FileTestSupport.h"
#include "platform/File.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"

namespace {

using filetest::ChildProcess;
using namespace win;

constexpr unsigned kAppend = CFile::modeCreate | CFile::modeNoTruncate;
constexpr unsigned kDenyWriteWriter = kAppend | CFile::modeWrite | CFile::shareDenyWrite;
constexpr unsigned kDenyNoneWriter = kAppend | CFile::modeWrite | CFile::shareDenyNone;
constexpr unsigned kDenyNoneReader = CFile::modeRead | CFile::shareDenyNone;

class FileTest : public ::testing::Test {
protected:
    std::string Content() {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(path_, bytes));
        return bytes;
    }
    // 0 when an open with `flags` succeeds, else its last error.
    DWORD TryOpen(unsigned flags) {
        CFile file;
        return file.Open(path_, flags) ? 0 : GetLastError();
    }

    filetest::TempFolder folder_;
    std::string path_ = folder_.Windows("data.bin");
};

TEST_F(FileTest, CreateAppendTruncate) {
    CFile file;
    ASSERT_TRUE(file.Open(path_, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    ASSERT_TRUE(file.Write("abc", 3));
    ASSERT_TRUE(file.Open(path_, kDenyWriteWriter));  // reopening closes first
    std::uint64_t end = 0;
    ASSERT_TRUE(file.SeekToEnd(&end));
    EXPECT_EQ(end, 3u);
    ASSERT_TRUE(file.Write("def", 3));
    file.Close();
    EXPECT_EQ(Content(), "abcdef");

    ASSERT_TRUE(file.Open(path_, CFile::modeReadWrite | CFile::shareExclusive));
    ASSERT_TRUE(file.SetLength(2));
    char buffer[8];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 2);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
    ASSERT_TRUE(file.Open(path_, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyNone));
    ASSERT_TRUE(file.GetLength(end));
    EXPECT_EQ(end, 0u);
    EXPECT_NE(fcntl(file.NativeHandle(), F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(FileTest, SharingWithinOneProcess) {
    CFile writer;
    ASSERT_TRUE(writer.Open(path_, kDenyWriteWriter));
    ASSERT_TRUE(writer.Write("data", 4));
    EXPECT_EQ(TryOpen(kDenyWriteWriter), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(TryOpen(kDenyNoneWriter), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(TryOpen(CFile::modeRead | CFile::shareDenyWrite), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(TryOpen(kDenyNoneReader), 0u);
    // A refused truncating open leaves the content alone.
    EXPECT_EQ(TryOpen(CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite),
              ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Content(), "data");

    CFile moved(std::move(writer));  // the marks go with the descriptor
    EXPECT_EQ(TryOpen(kDenyWriteWriter), ERROR_SHARING_VIOLATION);
    moved.Close();
    EXPECT_EQ(TryOpen(kDenyWriteWriter), 0u);
}

TEST_F(FileTest, SharingDependsOnWhatIsAlreadyOpen) {
    CFile reader;
    ASSERT_TRUE(reader.Open(path_, CFile::modeCreate | kDenyNoneReader));
    EXPECT_EQ(TryOpen(kDenyWriteWriter), 0u);  // the reader allows writers
    CFile plainWriter;
    ASSERT_TRUE(plainWriter.Open(path_, kDenyNoneWriter));
    EXPECT_EQ(TryOpen(kDenyWriteWriter), ERROR_SHARING_VIOLATION);  // it cannot deny him
    plainWriter.Close();
    reader.Close();

    CFile exclusive;
    ASSERT_TRUE(exclusive.Open(path_, CFile::modeRead));  // no share flag: exclusive
    EXPECT_EQ(TryOpen(kDenyNoneReader), ERROR_SHARING_VIOLATION);
}

// Windows also refuses to delete or rename a file open without delete
// sharing, and to truncate one whose opener denies writing: a second run
// cannot pull the first run's download from under it.
TEST_F(FileTest, DenyWriteDeleteAndRenameHoldAcrossProcessesUntilTheHolderDies) {
    std::ofstream(folder_.Native("data.bin")) << "data";
    CFile writer;
    ASSERT_TRUE(writer.Open(path_, kDenyWriteWriter));
    ChildProcess blocked([this](const ChildProcess::Parent&) {
        CFile other;
        if (other.Open(path_, kDenyWriteWriter) || GetLastError() != ERROR_SHARING_VIOLATION) {
            return 1;
        }
        return other.Open(path_, kDenyNoneReader) ? 0 : 2;
    });
    EXPECT_EQ(blocked.Wait(), 0);
    writer.Close();

    ChildProcess holder([this](const ChildProcess::Parent& parent) {
        CFile held;
        parent.Send(held.Open(path_, kDenyWriteWriter) ? 'y' : 'n');
        parent.AwaitWord();
        return 0;
    });
    ASSERT_EQ(holder.Receive(), 'y');
    EXPECT_EQ(TryOpen(kDenyWriteWriter), ERROR_SHARING_VIOLATION);
    const std::string moved = folder_.Windows("moved.bin");
    EXPECT_FALSE(DeleteFile(path_));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(MoveFile(path_, moved));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(TryOpen(CFile::modeCreate | CFile::modeWrite | CFile::shareDenyNone),
              ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Content(), "data");
    EXPECT_FALSE(FileExists(moved));
    holder.Kill();
    EXPECT_EQ(TryOpen(kDenyWriteWriter), 0u);
    EXPECT_TRUE(MoveFile(path_, moved));
    EXPECT_TRUE(DeleteFile(moved));
}

// What another user may plant in a shared folder under a download's name: a
// link to the victim's file (also one that points nowhere yet), a second
// name of it, a FIFO. None is written, read or changed through.
TEST_F(FileTest, DownloadFilesAreNeverReachedThroughALinkOrAnotherName) {
    constexpr unsigned kResume = kDenyWriteWriter | CFile::modeNoFollow;
    constexpr unsigned kFresh =
        CFile::modeCreateNew | CFile::modeWrite | CFile::shareDenyWrite | CFile::modeNoFollow;
    std::ofstream(folder_.Native("victim.txt")) << "secret";
    const std::string victim = folder_.Windows("victim.txt");
    ASSERT_TRUE(SetFileAttributes(victim, FILE_ATTRIBUTE_READONLY));
    ASSERT_EQ(symlink(folder_.Native("victim.txt").c_str(), folder_.Native("link.bin").c_str()), 0);
    ASSERT_EQ(symlink(folder_.Native("later.txt").c_str(), folder_.Native("dangling.bin").c_str()),
              0);
    ASSERT_EQ(link(folder_.Native("victim.txt").c_str(), folder_.Native("second.bin").c_str()), 0);
    ASSERT_EQ(mkfifo(folder_.Native("fifo.bin").c_str(), 0600), 0);
    const unsigned kFifoReader = CFile::modeRead | CFile::shareDenyNone | CFile::modeNoFollow;

    CFile file;
    for (const char* name : {"link.bin", "dangling.bin"}) {
        const std::string path = folder_.Windows(name);
        EXPECT_FALSE(file.Open(path, kResume)) << name;
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << name;
        EXPECT_FALSE(file.Open(path, kFresh)) << name;  // as after a racing re-link
        EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS) << name;
        // The entry is the link itself, whatever it names.
        EXPECT_EQ(GetFileAttributes(path), FILE_ATTRIBUTE_REPARSE_POINT) << name;
        EXPECT_TRUE(FileExists(path)) << name;
        std::uint64_t size = 0;
        EXPECT_FALSE(GetFileSize(path, size)) << name;
        EXPECT_FALSE(SetFileAttributes(path, FILE_ATTRIBUTE_NORMAL)) << name;
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << name;
    }
    EXPECT_FALSE(file.Open(folder_.Windows("second.bin"), kFifoReader));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(file.Open(folder_.Windows("fifo.bin"), kFifoReader));  // at once, no writer needed
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    EXPECT_FALSE(std::filesystem::exists(folder_.Native("later.txt")));
    EXPECT_EQ(GetFileAttributes(victim), FILE_ATTRIBUTE_READONLY);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(victim, bytes));
    EXPECT_EQ(bytes, "secret");
    // The user's own plain files open as before.
    ASSERT_TRUE(file.Open(path_, kFresh));
    ASSERT_TRUE(file.Write("ab", 2));
    ASSERT_TRUE(file.Open(path_, kResume));
    EXPECT_EQ(Content(), "ab");
}

TEST_F(FileTest, RefusesWhatWindowsRefuses) {
    std::ofstream(folder_.Native("data.bin")) << "x";
    ASSERT_TRUE(SetFileAttributes(path_, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(TryOpen(kDenyNoneWriter), ERROR_ACCESS_DENIED);
    EXPECT_EQ(TryOpen(kDenyNoneReader), 0u);
    EXPECT_EQ(TryOpen(CFile::modeWrite | CFile::modeReadWrite), ERROR_INVALID_PARAMETER);

    CFile file;
    EXPECT_FALSE(file.Open(folder_.Windows(), kDenyNoneReader));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(file.Open(folder_.Windows("none"), kDenyNoneReader));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(file.Open(folder_.Windows("no/none"), kDenyNoneWriter));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    ASSERT_TRUE(file.Open(folder_.Windows("w.bin"), kDenyNoneWriter));
    char byte = 0;
    EXPECT_EQ(file.Read(&byte, 1), -1);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(file.Open(path_, kDenyNoneReader));
    EXPECT_FALSE(file.Write("y", 1));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(file.SetLength(0));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FileTest, FullDiskIsDiskFull) {
    CFile full;
    if (!full.Open(filetest::WindowsPath("/dev/full"), CFile::modeWrite | CFile::shareDenyNone)) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_FALSE(full.Write("x", 1));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

TEST_F(FileTest, ReplaceFileAtomically) {
    ASSERT_TRUE(ReplaceFileAtomically(path_, "first"));
    EXPECT_EQ(Content(), "first");
    ASSERT_TRUE(ReplaceFileAtomically(path_, std::string(100000, 'z')));
    EXPECT_EQ(Content(), std::string(100000, 'z'));

    // Failed replacements leave nothing behind.
    ASSERT_TRUE(CreateDirectory(folder_.Windows("dir")));
    EXPECT_FALSE(ReplaceFileAtomically(folder_.Windows("dir"), "x"));
    EXPECT_FALSE(ReplaceFileAtomically(folder_.Windows("no/file"), "x"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    auto entries = std::filesystem::directory_iterator(folder_.Native());
    EXPECT_EQ(std::distance(begin(entries), end(entries)), 2);  // data.bin and dir
}

}  // namespace

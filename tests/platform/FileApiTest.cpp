#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <fstream>
#include <regex>
#include <set>

#include "FileTestSupport.h"
#include "platform/CodePage.h"
#include "platform/FileApi.h"
#include "platform/LastError.h"

namespace {

using filetest::NativePath;
using filetest::WindowsPath;
using namespace win;

void WriteText(const std::string& native, const std::string& text) {
    std::ofstream(native, std::ios::binary) << text;
}

std::string ReadText(const std::string& native) {
    std::ifstream file(native, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

mode_t ModeOf(const std::string& native) {
    struct stat info {};
    stat(native.c_str(), &info);
    return info.st_mode & 07777;
}

std::string StoredDosText(const std::string& native) {
    char text[64];
    const ssize_t length = getxattr(native.c_str(), "user.DOSATTRIB", text, sizeof text);
    return length < 0 ? "" : std::string(text, static_cast<std::size_t>(length));
}

bool KeepsUserXattrs(const std::string& folder) {
    const bool kept = setxattr(folder.c_str(), "user.probe", "1", 1, 0) == 0;
    removexattr(folder.c_str(), "user.probe");
    return kept;
}

class FileApiTest : public ::testing::Test {
protected:
    std::string NewFile(const std::string& name, const std::string& text = "data") {
        WriteText(folder_.Native(name), text);
        return folder_.Windows(name);
    }
    filetest::TempFolder folder_;
};

TEST_F(FileApiTest, ReadOnlyIsTheWriteBits) {
    const std::string file = NewFile("a.bin");
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ModeOf(folder_.Native("a.bin")) & 0222, 0u);
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(ModeOf(folder_.Native("a.bin")) & S_IWUSR, 0u);

    // A folder's mode stays: on Windows the bit does not stop files being made in it.
    ASSERT_TRUE(CreateDirectory(folder_.Windows("sub")));
    const mode_t before = ModeOf(folder_.Native("sub"));
    ASSERT_TRUE(SetFileAttributes(folder_.Windows("sub"), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ModeOf(folder_.Native("sub")), before);
    EXPECT_EQ(GetFileAttributes(folder_.Windows("sub")), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileApiTest, HiddenSystemArchiveRoundTripThroughDosAttrib) {
    if (!KeepsUserXattrs(folder_.Native())) GTEST_SKIP() << "no user xattrs here";
    const std::string file = NewFile("h.bin");
    const std::string native = folder_.Native("h.bin");
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(StoredDosText(native), "0x6");  // the form Wine and Samba read

    // The bits of a read-only file change, and it stays read-only.
    const DWORD all = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributes(file, all));
    EXPECT_EQ(GetFileAttributes(file), all);
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(StoredDosText(native), "");

    // Written by another program: unknown bits and a binary record are ignored.
    setxattr(native.c_str(), "user.DOSATTRIB", "0x822", 5, 0);
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    setxattr(native.c_str(), "user.DOSATTRIB", "\x02\x00", 2, 0);
    EXPECT_EQ(GetFileAttributes(file), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileApiTest, HiddenFailsClearlyWithoutXattrs) {
    if (KeepsUserXattrs(folder_.Native())) GTEST_SKIP() << "this file system keeps user xattrs";
    const std::string file = NewFile("h.bin");
    EXPECT_FALSE(SetFileAttributes(file, FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_NORMAL));  // nothing to clear
}

TEST_F(FileApiTest, MissingFileAndMissingFolderHaveTheirOwnCodes) {
    EXPECT_EQ(GetFileAttributes(folder_.Windows("none.bin")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributes(folder_.Windows("nodir/none.bin")), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(DeleteFile(folder_.Windows("nodir/none.bin")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(FileExists(NewFile("f.bin") + "\\below"));  // a file used as a folder
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileApiTest, DeleteRefusesReadOnlyFilesAndFolders) {
    const std::string file = NewFile("ro.bin");
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetFileAttributes(file, FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(std::filesystem::exists(folder_.Native("ro.bin")));

    ASSERT_TRUE(CreateDirectory(folder_.Windows("d")));
    EXPECT_FALSE(DeleteFile(folder_.Windows("d")));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FileApiTest, TempFileNamesAreCreatedAndUnique) {
    const std::regex pattern("TMP([0-9A-F]{1,4})\\.tmp");
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string name;
        const unsigned number = GetTempFileName(folder_.Windows() + "\\", "TMPX", 0, name);
        ASSERT_NE(number, 0u);
        const std::string leaf = name.substr(name.rfind('\\') + 1);
        std::smatch match;
        ASSERT_TRUE(std::regex_match(leaf, match, pattern)) << name;
        EXPECT_EQ(std::stoul(match[1], nullptr, 16), number);
        EXPECT_EQ(name, folder_.Windows(leaf));  // one separator, not two
        EXPECT_TRUE(std::filesystem::exists(folder_.Native(leaf)));
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);
}

TEST_F(FileApiTest, TempFileNameNeverTakesAnExistingFile) {
    std::string name;
    const unsigned start = GetTempFileName(folder_.Windows(), "TMP", 0, name);
    ASSERT_NE(start, 0u);
    std::set<std::string> taken;
    for (unsigned step = 1; step <= 8; ++step) {  // the numbers after the one just used
        GetTempFileName(folder_.Windows(), "TMP", (start - 1 + step) % 0xFFFF + 1, name);
        WriteText(NativePath(name), "keep");
        taken.insert(name);
    }
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(GetTempFileName(folder_.Windows(), "TMP", 0, name), 0u);
        EXPECT_EQ(taken.count(name), 0u) << name;
    }
    for (const std::string& kept : taken) EXPECT_EQ(ReadText(NativePath(kept)), "keep");
}

TEST_F(FileApiTest, TempFileNameWithANumberOnlyFormsTheName) {
    std::string name;
    EXPECT_EQ(GetTempFileName(folder_.Windows(), "ab", 0x1A2B, name), 0x1A2Bu);
    EXPECT_EQ(name, folder_.Windows("ab1A2B.tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder_.Native("ab1A2B.tmp")));
    // The prefix is three characters, not three bytes.
    GetTempFileName(folder_.Windows(), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9EX", 7, name);
    EXPECT_EQ(name, folder_.Windows("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"
                                    "7.tmp"));

    EXPECT_EQ(GetTempFileName(folder_.Windows("missing"), "TMP", 0, name), 0u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileApiTest, MakeSureDirectoryPathExistsCreatesFoldersOnly) {
    ASSERT_TRUE(MakeSureDirectoryPathExists(folder_.Windows("a/b/c/file.dat")));
    EXPECT_TRUE(std::filesystem::is_directory(folder_.Native("a/b/c")));
    EXPECT_FALSE(std::filesystem::exists(folder_.Native("a/b/c/file.dat")));
    EXPECT_TRUE(MakeSureDirectoryPathExists(folder_.Windows("a/b/c/file.dat")));  // again
    EXPECT_TRUE(MakeSureDirectoryPathExists(folder_.Windows("x/y/")));
    EXPECT_TRUE(std::filesystem::is_directory(folder_.Native("x/y")));

    NewFile("plain");  // a file where a folder should be is no success
    EXPECT_FALSE(MakeSureDirectoryPathExists(folder_.Windows("plain/f.dat")));
    EXPECT_FALSE(MakeSureDirectoryPathExists(folder_.Windows("plain/deeper/f.dat")));

    // In Shift-JIS 0x95 0x5C is one character (U+8868) ending in the backslash code.
    ASSERT_TRUE(SetProcessCodePage(CP_SHIFT_JIS));
    const bool made = MakeSureDirectoryPathExists(folder_.Windows() + "\\\x95\x5C\\f.dat");
    SetProcessCodePage(CP_UTF8);
    EXPECT_TRUE(made);
    EXPECT_TRUE(std::filesystem::is_directory(folder_.Native("\xE8\xA1\xA8")));
}

TEST_F(FileApiTest, FolderCallsReportWindowsCodes) {
    ASSERT_TRUE(CreateDirectory(folder_.Windows("d")));
    EXPECT_FALSE(CreateDirectory(folder_.Windows("d")));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectory(folder_.Windows("no/d")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    NewFile("d/inside");
    EXPECT_FALSE(RemoveDirectory(folder_.Windows("d")));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(RemoveDirectory(folder_.Windows("d/inside")));
    EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
    EXPECT_TRUE(FolderExists(folder_.Windows("d")));
    EXPECT_FALSE(FileExists(folder_.Windows("d")));
}

TEST_F(FileApiTest, MoveFileNeverReplaces) {
    const std::string from = NewFile("from", "new");
    EXPECT_FALSE(MoveFile(from, NewFile("to", "old")));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadText(folder_.Native("to")), "old");
    EXPECT_TRUE(MoveFile(from, folder_.Windows("moved")));
    EXPECT_EQ(ReadText(folder_.Native("moved")), "new");
    EXPECT_FALSE(MoveFile(from, folder_.Windows("again")));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(MoveFile(folder_.Windows("moved"), folder_.Windows("no/moved")));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileApiTest, MoveFileToAnotherFileSystemCopies) {
    struct stat here {
    }, shm{};
    if (stat("/dev/shm", &shm) != 0 || stat(folder_.Native().c_str(), &here) != 0 ||
        here.st_dev == shm.st_dev) {
        GTEST_SKIP() << "no second file system to move to";
    }
    const std::string target = "/dev/shm/kivfile-move-" + std::to_string(getpid());
    const std::string from = NewFile("big", std::string(300000, 'x'));
    ASSERT_TRUE(SetFileAttributes(from, FILE_ATTRIBUTE_READONLY));

    ASSERT_TRUE(MoveFile(from, WindowsPath(target)));
    EXPECT_EQ(ReadText(target), std::string(300000, 'x'));
    EXPECT_EQ(GetFileAttributes(WindowsPath(target)), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(std::filesystem::exists(folder_.Native("big")));
    EXPECT_FALSE(MoveFile(NewFile("other"), WindowsPath(target)));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(std::filesystem::exists(folder_.Native("other")));
    std::filesystem::remove(target);
}

TEST_F(FileApiTest, SizesAndFreeSpace) {
    std::uint64_t size = 0;
    ASSERT_TRUE(GetFileSize(NewFile("s", "12345"), size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(GetFileSize(folder_.Windows(), size));
    ASSERT_TRUE(GetDiskFreeSpaceEx(folder_.Windows(), size));
    EXPECT_GT(size, 0u);
    EXPECT_FALSE(GetDiskFreeSpaceEx(folder_.Windows("none"), size));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace

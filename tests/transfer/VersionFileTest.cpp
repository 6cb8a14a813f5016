#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "platform/FileApi.h"
#include "platform/NamedMutex.h"
#include "platform/NativePath.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionRowCache.h"

using kivtransfer::CVersionFile;
using kivtransfer::CVersionRowCache;
using kivtransfer::tagComposition;

namespace {

namespace fs = std::filesystem;

const std::string kExampleRow =
    "\"K\",\" C:\\d\\a.bin\",\" Wed, 01 Jul 2015 00:00:00 GMT\", \" 0\"\r\n";

class VersionFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kiv-records-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        native_ = folder_ + "/versions.dat";
        ASSERT_TRUE(win::FromNativePath(native_, path_));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string ReadBytes() const {
        std::ifstream in(native_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteBytes(const std::string& bytes) const {
        std::ofstream(native_, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {}));
    }

    std::string folder_;
    std::string native_;
    std::string path_;  // Windows form
};

// Runs `body` in a child process that may not outlive a hang; returns its exit code.
pid_t Spawn(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(60);
        _exit(body());
    }
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

void Signal(int fd) {
    EXPECT_EQ(write(fd, "x", 1), 1);
}
bool AwaitSignal(int fd) {
    char byte = 0;
    return read(fd, &byte, 1) == 1;
}

TEST_F(VersionFileTest, FormatsTheRowByteForByte) {
    CVersionFile file;
    file.Open(path_);
    const tagComposition entry{R"(C:\d\a.bin)", "Wed, 01 Jul 2015 00:00:00 GMT", 0};

    std::size_t length = 0;
    ASSERT_EQ(file.FormatRow("K", entry, nullptr, length), 1);
    EXPECT_EQ(length, kExampleRow.size());

    std::string exact(kExampleRow.size(), '?');
    std::size_t exactLength = exact.size();
    ASSERT_EQ(file.FormatRow("K", entry, exact.data(), exactLength), 1);
    EXPECT_EQ(exact, kExampleRow) << "a buffer of the row's size needs no room for a zero";

    std::string roomy(kExampleRow.size() + 4, '?');
    std::size_t roomyLength = roomy.size();
    ASSERT_EQ(file.FormatRow("K", entry, roomy.data(), roomyLength), 1);
    EXPECT_EQ(roomyLength, kExampleRow.size());
    EXPECT_EQ(roomy, kExampleRow + '\0' + "???");

    std::string shortBuffer(kExampleRow.size() - 1, '?');
    std::size_t shortLength = shortBuffer.size();
    EXPECT_EQ(file.FormatRow("K", entry, shortBuffer.data(), shortLength), 0);
    EXPECT_EQ(shortLength, kExampleRow.size()) << "tells the size needed";
    EXPECT_EQ(shortBuffer, std::string(kExampleRow.size() - 1, '?'));
}

TEST_F(VersionFileTest, ParsesRowsBackToTheirValues) {
    CVersionFile file;
    file.Open(path_);
    std::string key;
    tagComposition entry;
    ASSERT_EQ(file.ParseRow(kExampleRow.substr(0, kExampleRow.size() - 2), key, entry), 1);
    EXPECT_EQ(key, "K");
    EXPECT_EQ(entry, (tagComposition{R"(C:\d\a.bin)", "Wed, 01 Jul 2015 00:00:00 GMT", 0}));

    ASSERT_EQ(file.ParseRow(R"(" K ","  p  "," ", " -5",extra)", key, entry), 1);
    EXPECT_EQ(key, " K ") << "the key keeps blanks inside its quotes";
    EXPECT_EQ(entry, (tagComposition{"p", "", 0})) << "a sign is no decimal digit";

    for (const char* line : {R"("K"," p"," s")", "", "   ", "a,b"}) {
        EXPECT_EQ(file.ParseRow(line, key, entry), 0) << line;
    }
}

TEST_F(VersionFileTest, ReadsTheNumberFieldAsDecimalOrHex) {
    const std::pair<const char*, win::LONG> cases[] = {
        {"0", 0},
        {"42", 42},
        {"-5", 0},
        {"-1", 0},
        {"00012", 12},
        {"  7 ", 7},
        {"0x1F", 31},
        {"0X1f", 31},
        {"0x000000001", 1},
        {"0xffffffff", -1},
        {"0x80000000", INT_MIN},
        {"2147483647", INT_MAX},
        {"-2147483648", 0},
        {"0x100000000", 0},
        {"2147483648", 0},
        {"-2147483649", 0},
        {"99999999999999999999999", 0},
        {"0x", 0},
        {"0x1g", 0},
        {"-0x5", 0},
        {"+5", 0},
        {"-", 0},
        {"5a", 0},
        {"1 2", 0},
        {"\t5", 0},
        {"", 0},
    };
    CVersionFile file;
    file.Open(path_);
    for (const auto& [text, expected] : cases) {
        std::string key;
        tagComposition entry{"", "", 99};
        ASSERT_EQ(file.ParseRow(std::string(R"("K"," p"," s", ")") + text + '"', key, entry), 1);
        EXPECT_EQ(entry.number, expected) << '[' << text << ']';
    }

    // What the writer makes of any number reads back as that number.
    for (const win::LONG number : {0, 42, INT_MAX, -1, -5, INT_MIN}) {
        ASSERT_EQ(file.Set("K", "p", "s", number), 1);
        ASSERT_EQ(file.Save(), 1);
        CVersionFile reread;
        ASSERT_EQ(reread.Open(path_), 1);
        EXPECT_EQ(reread.GetNumber("K"), number) << ReadBytes();
    }
    EXPECT_EQ(ReadBytes(), "\"K\",\" p\",\" s\", \" 0x80000000\"\r\n");
}

TEST_F(VersionFileTest, RefusesWhileNotOpen) {
    CVersionFile file;
    tagComposition entry{"p", "s", 0};
    std::string text;
    std::size_t length = 0;
    EXPECT_EQ(file.Set("K", "p", "s", 0), 0);
    EXPECT_EQ(file.Remove("K"), 0);
    EXPECT_EQ(file.SetStoredText("K", "s"), 0);
    EXPECT_EQ(file.SetPath("K", "p"), 0);
    EXPECT_EQ(file.SetNumber("K", 1), 0);
    EXPECT_EQ(file.FormatRow("K", entry, nullptr, length), 0);
    EXPECT_EQ(file.ParseRow(kExampleRow, text, entry), 0);
    EXPECT_EQ(file.Save(), 0);
    EXPECT_EQ(file.Write(), 0) << "no path to write to";
    EXPECT_EQ(file.Load(), 0);
}

TEST_F(VersionFileTest, MissingFileStaysOpenAndSaveCreatesIt) {
    CVersionFile file;
    EXPECT_EQ(file.Open(path_), 0);
    EXPECT_TRUE(file.IsOpen());
    ASSERT_EQ(file.Set("K", R"(C:\d\a.bin)", "Wed, 01 Jul 2015 00:00:00 GMT", 0), 1);
    EXPECT_EQ(ReadBytes(), "") << "nothing is written before Save";
    ASSERT_EQ(file.Save(), 1);
    EXPECT_EQ(ReadBytes(), kExampleRow);
    EXPECT_EQ(FilesInFolder(), 1u) << "no temporary file is left behind";

    CVersionFile noFolder;
    EXPECT_EQ(noFolder.Open(path_ + "\\missing\\v.dat"), 0);
    ASSERT_EQ(noFolder.Set("K", "p", "s", 0), 1);
    EXPECT_EQ(noFolder.Save(), 0);

    CVersionFile noPath;
    EXPECT_EQ(noPath.Open(""), 0);
    ASSERT_EQ(noPath.Set("K", "p", "s", 0), 1);
    EXPECT_EQ(noPath.Save(), 0);
}

TEST_F(VersionFileTest, ExampleFileSurvivesLoadAndSaveUnchanged) {
    const std::string bytes = "\"A\",\" x\",\" \", \" 0xfffffffb\"\r\n" + kExampleRow;
    WriteBytes(bytes);
    CVersionFile file;
    ASSERT_EQ(file.Open(path_), 1);
    std::string text = "stale";
    ASSERT_EQ(file.GetStoredText("A", text), 1);
    EXPECT_EQ(text, "") << "an empty stored text is written as one space";
    EXPECT_EQ(file.GetNumber("A"), -5);
    ASSERT_EQ(file.GetStoredText("K", text), 1);
    EXPECT_EQ(text, "Wed, 01 Jul 2015 00:00:00 GMT");
    ASSERT_EQ(file.GetPath("K", text), 1);
    EXPECT_EQ(text, R"(C:\d\a.bin)");
    ASSERT_EQ(file.Save(), 1);
    EXPECT_EQ(ReadBytes(), bytes);
}

TEST_F(VersionFileTest, LoadReadsEveryLineForm) {
    // LF alone, a lone CR inside a row, a last line without a line end.
    WriteBytes(
        "\"A\",\" 1\",\" a\", \" 1\"\n\"B\r\",\" 2\",\" b\", \" 2\"\r\n\"A\",\" 3\",\" c\", \" "
        "3\"");
    CVersionFile file;
    ASSERT_EQ(file.Open(path_), 1);
    EXPECT_EQ(file.GetEntries().size(), 2u);
    EXPECT_EQ(file.GetNumber("A"), 3) << "the later row of a key wins";
    EXPECT_EQ(file.GetNumber("B\r"), 2);

    WriteBytes("\"A\",\" 1\",\" a\", \" 7\"\r");
    ASSERT_EQ(file.Open(path_), 1);
    EXPECT_EQ(file.GetNumber("A"), 7) << "a CR at the very end ends the line";

    WriteBytes("");
    EXPECT_EQ(file.Open(path_), 1);
    EXPECT_TRUE(file.GetEntries().empty());

    // A file that does not parse is kept aside and a fresh record started,
    // so resuming works again from the next save on.
    for (const std::string broken :
         {"\r\n", "\"A\",\" 1\",\" a\", \" 1\"\r\n\r\n\"B\",\" 2\",\" b\", \" 2\"\r\n"}) {
        WriteBytes(broken);
        EXPECT_EQ(file.Open(path_), 0) << "a blank line fails the load";
        EXPECT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.GetEntries().empty());
        EXPECT_FALSE(fs::exists(native_));
        std::ifstream kept(native_ + ".bad", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), broken);
        ASSERT_EQ(file.Set("C", "c", "c", 0), 1);
        ASSERT_EQ(file.Save(), 1);
        CVersionFile reread;
        EXPECT_EQ(reread.Open(path_), 1);
        EXPECT_EQ(reread.GetEntries().size(), 1u);
    }
}

TEST_F(VersionFileTest, ChangesReachTheFileOnlyThroughSave) {
    WriteBytes(kExampleRow + "\"L\",\" q\",\" t\", \" 3\"\r\n");
    CVersionFile file;
    ASSERT_EQ(file.Open(path_), 1);
    EXPECT_EQ(file.Remove("K"), 1);
    EXPECT_EQ(file.Remove("absent"), 1);
    EXPECT_EQ(ReadBytes(), kExampleRow + "\"L\",\" q\",\" t\", \" 3\"\r\n");

    EXPECT_EQ(file.SetPath("K", "p"), 0) << "removed keys are gone";
    EXPECT_EQ(file.SetStoredText("L", "FILEBROKEN"), 1);
    EXPECT_EQ(file.SetPath("L", "D:\\q"), 1);
    EXPECT_EQ(file.SetNumber("L", 0x40), 1);
    ASSERT_EQ(file.Save(), 1);
    EXPECT_EQ(ReadBytes(), "\"L\",\" D:\\q\",\" FILEBROKEN\", \" 64\"\r\n");

    file.ClearEntries();
    ASSERT_EQ(file.Save(), 1);
    EXPECT_EQ(ReadBytes(), "");
}

// The rows this process last read or wrote are taken again only for the very
// same bytes: another writer's row of the same length is read, and a row
// that no longer parses still sets the file aside.
TEST_F(VersionFileTest, RowsRememberedFromTheLastSaveServeOnlyTheSameBytes) {
    CVersionFile file;
    file.Open(path_);
    ASSERT_EQ(file.Set("K", "p", "s", 1), 1);
    ASSERT_EQ(file.Save(), 1);
    const std::string saved = ReadBytes();
    std::string changed = saved;
    changed[changed.find('1')] = '2';
    WriteBytes(changed);
    CVersionFile reread;
    ASSERT_EQ(reread.Open(path_), 1);
    EXPECT_EQ(reread.GetNumber("K"), 2);

    std::string broken = saved;
    broken[0] = '\n';
    WriteBytes(broken);
    EXPECT_EQ(reread.Open(path_), 0);
    EXPECT_TRUE(fs::exists(native_ + ".bad"));
}

TEST_F(VersionFileTest, RefusesValuesThatWouldNotReadBack) {
    CVersionFile file;
    file.Open(path_);
    ASSERT_EQ(file.Set("K", "p", "s", 0), 1);
    EXPECT_EQ(file.Set("A\nB", "p", "s", 0), 0);
    EXPECT_EQ(file.Set("A", "p\r\n", "s", 0), 0);
    EXPECT_EQ(file.Set("", "p", "s", 0), 0);
    EXPECT_EQ(file.Set("\"\"", "p", "s", 0), 0);
    EXPECT_EQ(file.SetStoredText("K", "a\nb"), 0);
    EXPECT_EQ(file.SetPath("K", "a\nb"), 0);

    // Quotes are doubled on writing, so they can no longer shift the fields;
    // a lone CR is harmless inside a row.
    ASSERT_EQ(file.Set("q\"k", "\"p,\"", "s\"\"\r", -7), 1);
    ASSERT_EQ(file.Set("\"x", "\r", "\"", 1), 1);
    ASSERT_EQ(file.Save(), 1);
    // Read back as parsed, not as this process remembers what it wrote.
    CVersionRowCache::Instance().Forget();
    CVersionFile reread;
    ASSERT_EQ(reread.Open(path_), 1);
    EXPECT_EQ(reread.GetEntries(), file.GetEntries());
}

TEST_F(VersionFileTest, HidesTheFileAfterSave) {
    const std::string probe = folder_ + "/probe";
    std::ofstream(probe).put('x');
    if (setxattr(probe.c_str(), "user.kiv-probe", "1", 1, 0) != 0) {
        GTEST_SKIP() << "extended attributes are not supported in " << folder_;
    }
    CVersionFile file;
    file.Open(path_);
    ASSERT_EQ(file.Set("K", "p", "s", 0), 1);
    ASSERT_EQ(file.Save(), 1);
    const win::DWORD attributes = win::GetFileAttributes(path_);
    ASSERT_NE(attributes, win::INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & win::FILE_ATTRIBUTE_HIDDEN, 0u);
    ASSERT_EQ(file.Save(), 1) << "a hidden file can be saved again";
    EXPECT_NE(win::GetFileAttributes(path_) & win::FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(VersionFileTest, SaveKeepsRowsOthersChangedSinceTheLoad) {
    WriteBytes(kExampleRow + "\"L\",\" q\",\" t\", \" 3\"\r\n");
    CVersionFile mine;
    CVersionFile theirs;
    ASSERT_EQ(mine.Open(path_), 1);
    ASSERT_EQ(theirs.Open(path_), 1);

    ASSERT_EQ(theirs.Set("T", "tp", "ts", 1), 1);
    ASSERT_EQ(theirs.Remove("L"), 1);
    ASSERT_EQ(theirs.Save(), 1);

    ASSERT_EQ(mine.Remove("K"), 1);
    ASSERT_EQ(mine.Set("M", "mp", "ms", 2), 1);
    ASSERT_EQ(mine.Save(), 1);

    EXPECT_EQ(ReadBytes(), "\"M\",\" mp\",\" ms\", \" 2\"\r\n\"T\",\" tp\",\" ts\", \" 1\"\r\n");
    EXPECT_EQ(mine.GetNumber("T"), 1) << "the saved view is what the file now holds";
}

TEST_F(VersionFileTest, SaveOverABrokenFileKeepsItsViewAndTheGoodRows) {
    WriteBytes(kExampleRow + "\"L\",\" q\",\" t\", \" 3\"\r\n");
    CVersionFile file;
    ASSERT_EQ(file.Open(path_), 1);
    WriteBytes("\"O\",\" o\",\" o\", \" 5\"\r\nbroken\r\n\"L\",\" q2\",\" t\", \" 4\"\r\n");
    ASSERT_EQ(file.Set("M", "m", "m", 1), 1);
    ASSERT_EQ(file.Save(), 1);

    CVersionFile reread;
    ASSERT_EQ(reread.Open(path_), 1) << "the broken line is gone";
    EXPECT_EQ(reread.GetEntries(), (CVersionFile::Entries{
                                       {"K", {R"(C:\d\a.bin)", "Wed, 01 Jul 2015 00:00:00 GMT", 0}},
                                       {"L", {"q2", "t", 4}},
                                       {"M", {"m", "m", 1}},
                                       {"O", {"o", "o", 5}},
                                   }));
}

TEST_F(VersionFileTest, SaveWaitsForTheNamedMutexOfThePath) {
    int go[2];
    int saved[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(saved), 0);
    const pid_t child = Spawn([&] {
        CVersionFile file;
        file.Open(path_);
        file.Set("K", "p", "s", 0);
        if (!AwaitSignal(go[0])) {
            return 2;
        }
        const int result = file.Save() == 1 ? 0 : 1;
        Signal(saved[1]);
        return result;
    });
    close(saved[1]);

    std::string lockName = path_;
    std::replace(lockName.begin(), lockName.end(), '\\', '/');
    win::CNamedMutex mutex;
    ASSERT_TRUE(mutex.Create(lockName));
    ASSERT_EQ(mutex.Wait(), win::WAIT_OBJECT_0);
    Signal(go[1]);
    pollfd poll_fd{saved[0], POLLIN, 0};
    EXPECT_EQ(poll(&poll_fd, 1, 300), 0) << "saved while the mutex was held elsewhere";
    EXPECT_TRUE(mutex.Release());
    EXPECT_TRUE(AwaitSignal(saved[0]));
    EXPECT_EQ(ExitCode(child), 0);
    EXPECT_EQ(ReadBytes(), "\"K\",\" p\",\" s\", \" 0\"\r\n");
    for (int fd : {go[0], go[1], saved[0]}) {
        close(fd);
    }
}

TEST_F(VersionFileTest, TwoProcessesSavingAtOnceKeepAllRows) {
    // Both load before either saves, then each also saves key by key.
    int ready[2];
    int go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    auto writer = [&](char tag) {
        return Spawn([&, tag] {
            CVersionFile file;
            file.Open(path_);
            for (int i = 0; i < 100; ++i) {
                file.Set(std::string(1, tag) + std::to_string(i), "p", "s", i);
            }
            Signal(ready[1]);
            if (!AwaitSignal(go[0]) || file.Save() != 1) {
                return 1;
            }
            for (int i = 0; i < 100; ++i) {
                CVersionFile single(path_);
                if (single.SetNumber(std::string(1, tag) + std::to_string(i), i + 1000) != 1 ||
                    single.Save() != 1) {
                    return 2;
                }
            }
            return 0;
        });
    };
    const pid_t first = writer('a');
    const pid_t second = writer('b');
    ASSERT_TRUE(AwaitSignal(ready[0]) && AwaitSignal(ready[0]));
    Signal(go[1]);
    Signal(go[1]);
    EXPECT_EQ(ExitCode(first), 0);
    EXPECT_EQ(ExitCode(second), 0);

    CVersionFile file;
    ASSERT_EQ(file.Open(path_), 1);
    EXPECT_EQ(file.GetEntries().size(), 200u);
    for (char tag : {'a', 'b'}) {
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(file.GetNumber(std::string(1, tag) + std::to_string(i)), i + 1000);
        }
    }
    for (int fd : {ready[0], ready[1], go[0], go[1]}) {
        close(fd);
    }
}

TEST_F(VersionFileTest, RemoveInOneProcessKeepsAnotherProcessSet) {
    WriteBytes(kExampleRow);
    int loaded[2];
    int setSaved[2];
    ASSERT_EQ(pipe(loaded), 0);
    ASSERT_EQ(pipe(setSaved), 0);
    const pid_t remover = Spawn([&] {
        CVersionFile file(path_);
        Signal(loaded[1]);
        if (!AwaitSignal(setSaved[0])) {
            return 2;
        }
        return file.Remove("K") == 1 && file.Save() == 1 ? 0 : 1;
    });
    const pid_t setter = Spawn([&] {
        if (!AwaitSignal(loaded[0])) {
            return 2;
        }
        CVersionFile file(path_);
        const int result = file.Set("S", "p", "s", 1) == 1 && file.Save() == 1 ? 0 : 1;
        Signal(setSaved[1]);
        return result;
    });
    EXPECT_EQ(ExitCode(setter), 0);
    EXPECT_EQ(ExitCode(remover), 0);
    EXPECT_EQ(ReadBytes(), "\"S\",\" p\",\" s\", \" 1\"\r\n");
    for (int fd : {loaded[0], loaded[1], setSaved[0], setSaved[1]}) {
        close(fd);
    }
}

}  // namespace

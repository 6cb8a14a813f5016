#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>

#include "FileTestSupport.h"
#include "platform/File.h"
#include "platform/FileApi.h"
#include "platform/Landlock.h"
#include "platform/LastError.h"

namespace {

using win::CFile;

// Creates `path` (Windows form) with one byte; the last error on failure.
win::DWORD CreateWith(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite)) return win::GetLastError();
    return file.Write("x", 1) ? win::ERROR_SUCCESS : win::GetLastError();
}

bool CanRead(const std::string& path) {
    CFile file;
    char c = 0;
    return file.Open(path, CFile::modeRead) && file.Read(&c, 1) == 1;
}

// Runs `body` on a thread of its own, so the confinement dies with it.
template <class Body>
void OnNewThread(Body body) {
    std::thread(body).join();
}

class LandlockTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (win::LandlockAbiVersion() == 0) {
            GTEST_SKIP() << "the kernel offers no Landlock (too old or switched off at boot)";
        }
        ASSERT_EQ(mkdir(folder_.Native("A").c_str(), 0700), 0);
        ASSERT_EQ(mkdir(folder_.Native("B").c_str(), 0700), 0);
        std::ofstream(folder_.Native("B/old.txt")) << "old";
    }
    std::string A(const std::string& name = "") const { return Path("A", name); }
    std::string B(const std::string& name = "") const { return Path("B", name); }

private:
    std::string Path(const std::string& sub, const std::string& name) const {
        return name.empty() ? folder_.Windows(sub) : folder_.Windows(sub + "\\" + name);
    }
    filetest::TempFolder folder_;
};

TEST_F(LandlockTest, ConfinedThreadWritesOnlyBelowItsFolders) {
    OnNewThread([this] {
        ASSERT_TRUE(win::ConfineThreadWrites(
            {filetest::NativePath(A()), filetest::NativePath(A("missing folder"))}));
        EXPECT_EQ(CreateWith(B("new.txt")), win::ERROR_ACCESS_DENIED);
        EXPECT_EQ(CreateWith(B("old.txt")), win::ERROR_ACCESS_DENIED);  // no truncation either
        EXPECT_FALSE(win::DeleteFile(B("old.txt")));
        EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
        EXPECT_FALSE(win::CreateDirectory(B("sub")));
        EXPECT_TRUE(CanRead(B("old.txt")));

        EXPECT_EQ(CreateWith(A("new.txt")), win::ERROR_SUCCESS);
        EXPECT_TRUE(win::CreateDirectory(A("sub")));
        EXPECT_TRUE(win::MoveFile(A("new.txt"), A("sub\\moved.txt")));
        EXPECT_TRUE(win::DeleteFile(A("sub\\moved.txt")));
        // Moving out of the allowed folder is a write below B.
        EXPECT_EQ(CreateWith(A("out.txt")), win::ERROR_SUCCESS);
        EXPECT_FALSE(win::MoveFile(A("out.txt"), B("out.txt")));
    });
    // The test's own thread was never confined.
    EXPECT_EQ(CreateWith(B("new.txt")), win::ERROR_SUCCESS);
    EXPECT_TRUE(win::DeleteFile(B("old.txt")));
    EXPECT_FALSE(win::FileExists(B("out.txt")));
}

TEST_F(LandlockTest, ThreadsStartedLaterInheritTheConfinement) {
    OnNewThread([this] {
        ASSERT_TRUE(win::ConfineThreadWrites({filetest::NativePath(A())}));
        OnNewThread([this] {
            EXPECT_EQ(CreateWith(B("child.txt")), win::ERROR_ACCESS_DENIED);
            EXPECT_EQ(CreateWith(A("child.txt")), win::ERROR_SUCCESS);
        });
    });
    EXPECT_FALSE(win::FileExists(B("child.txt")));
    EXPECT_TRUE(win::FileExists(A("child.txt")));
}

TEST_F(LandlockTest, NoFoldersMeansNoWritesAnywhere) {
    OnNewThread([this] {
        ASSERT_TRUE(win::ConfineThreadWrites({}));
        EXPECT_EQ(CreateWith(A("x.txt")), win::ERROR_ACCESS_DENIED);
        EXPECT_TRUE(CanRead(B("old.txt")));
    });
}

}  // namespace

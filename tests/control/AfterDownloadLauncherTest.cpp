#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "control/ProcessLauncher.h"

namespace {

namespace fs = std::filesystem;

constexpr unsigned kBoundMs = 5000;

bool Eventually(const std::function<bool()>& done) {
    for (unsigned waited = 0; waited < kBoundMs; waited += 10) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// Children of this process that have ended but were not reaped.
int ZombieChildren() {
    int zombies = 0;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream children(task.path() / "children");
        for (pid_t child; children >> child;) {
            std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
            std::string pid, name, state;
            stat >> pid >> name >> state;
            if (state == "Z") ++zombies;
        }
    }
    return zombies;
}

class AfterDownloadLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kiv-launch-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string folder_;
    CProcessLauncher launcher_;
};

TEST_F(AfterDownloadLauncherTest, StartsTheProgramWithItsArgumentsAsGiven) {
    const std::string marker = folder_ + "/it ran";
    // Arguments reach the program untouched: no shell splits or expands them.
    ASSERT_TRUE(launcher_.Launch(
        {"sh", "-c", "printf '%s|%s' \"$1\" \"$2\" > \"$0\"", marker, "two words", "$HOME;*"}));
    ASSERT_TRUE(Eventually([&] {
        std::ifstream in(marker);
        std::string text;
        std::getline(in, text);
        return text == "two words|$HOME;*";
    }));
}

TEST_F(AfterDownloadLauncherTest, EndedChildrenAreReaped) {
    for (int child = 0; child < 3; ++child) ASSERT_TRUE(launcher_.Launch({"true"}));
    EXPECT_TRUE(Eventually([] { return ZombieChildren() == 0; }));
}

TEST_F(AfterDownloadLauncherTest, AMissingProgramDoesNotStart) {
    EXPECT_FALSE(launcher_.Launch({"kiv-no-such-program-here"}));
    EXPECT_FALSE(launcher_.Launch({}));
    EXPECT_FALSE(launcher_.Launch({""}));
}

TEST(AfterDownloadRunForOutputTest, CollectsStandardOutputOfASuccessfulRun) {
    std::string output;
    EXPECT_TRUE(RunForOutput({"sh", "-c", "echo video/mp4; echo noise >&2"}, kBoundMs, output));
    EXPECT_EQ(output, "video/mp4\n");
}

TEST(AfterDownloadRunForOutputTest, FailuresAndHangsGiveNoAnswer) {
    std::string output;
    EXPECT_FALSE(RunForOutput({"sh", "-c", "echo partial; exit 3"}, kBoundMs, output));
    EXPECT_FALSE(RunForOutput({"kiv-no-such-program-here"}, kBoundMs, output));
    // A child that never ends is killed at the time-out, and reaped.
    EXPECT_FALSE(RunForOutput({"sleep", "30"}, 100, output));
    EXPECT_EQ(ZombieChildren(), 0);
}

}  // namespace

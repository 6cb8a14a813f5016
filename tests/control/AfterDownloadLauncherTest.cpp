#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "control/ProcessLauncher.h"

using kivcontrol::CProcessLauncher;
using kivcontrol::RunForOutput;

namespace {

namespace fs = std::filesystem;

// Polls up to 5 s.
bool Eventually(const std::function<bool()>& done) {
    for (int round = 0; round < 500; ++round) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Child processes of this process, running or ended but not yet reaped.
int Children() {
    int children = 0;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream list(task.path() / "children");
        for (pid_t child; list >> child;) ++children;
    }
    return children;
}

TEST(AfterDownloadLauncherTest, StartsTheProgramWithItsArgumentsUntouchedAndReapsIt) {
    std::string folder = (fs::temp_directory_path() / "kiv-launch-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string marker = folder + "/it ran";
    CProcessLauncher launcher;
    // No shell splits or expands the arguments.
    ASSERT_TRUE(launcher.Launch(
        {"sh", "-c", "printf '%s|%s' \"$1\" \"$2\" > \"$0\"", marker, "two words", "$HOME;*"}));
    EXPECT_TRUE(Eventually([&] {
        std::string text;
        std::getline(std::ifstream(marker), text);
        return text == "two words|$HOME;*";
    }));
    for (int child = 0; child < 3; ++child) ASSERT_TRUE(launcher.Launch({"true"}));
    EXPECT_TRUE(Eventually([] { return Children() == 0; }));  // all ended and reaped
    EXPECT_FALSE(launcher.Launch({"kiv-no-such-program-here"}));
    EXPECT_FALSE(launcher.Launch({}));
    fs::remove_all(folder);
}

TEST(AfterDownloadLauncherTest, RunForOutputAnswersOnlyForACleanTimelyExit) {
    std::string output;
    EXPECT_TRUE(RunForOutput({"sh", "-c", "echo video/mp4; echo noise >&2"}, 5000, output));
    EXPECT_EQ(output, "video/mp4\n");
    EXPECT_FALSE(RunForOutput({"sh", "-c", "echo partial; exit 3"}, 5000, output));
    EXPECT_FALSE(RunForOutput({"kiv-no-such-program-here"}, 5000, output));
    // A child that never ends is killed at the time-out, and reaped.
    EXPECT_FALSE(RunForOutput({"sleep", "30"}, 100, output));
    EXPECT_EQ(Children(), 0);
}

TEST(AfterDownloadLauncherTest, ADescriptorOpenedWithoutCloseOnExecStaysWithUs) {
    const int inheritable = dup(STDERR_FILENO);  // dup clears close-on-exec
    ASSERT_GE(inheritable, 3);
    const std::string fd = std::to_string(inheritable);
    std::string output;
    EXPECT_TRUE(RunForOutput(
        {"sh", "-c", "if [ -e /proc/$$/fd/" + fd + " ]; then echo leaked; else echo kept; fi"},
        5000, output));
    EXPECT_EQ(output, "kept\n");
    close(inheritable);
}

}  // namespace

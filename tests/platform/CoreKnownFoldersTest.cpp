#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/XdgUserDirs.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

using coretest::ScopedEnv;
using coretest::TempFolder;
using win::KnownFolder;

std::string NativeOf(KnownFolder folder) {
    std::string path = "<failed>";
    win::GetKnownFolderNativePath(folder, path);
    return path;
}

std::string WindowsOf(KnownFolder folder) {
    std::string path = "<failed>";
    win::GetKnownFolderPath(folder, path);
    return path;
}

class CoreKnownFolders : public ::testing::Test {
protected:
    TempFolder temp_;
    ScopedEnv home_{"HOME", "/home/kivtest"};
    ScopedEnv cache_{"XDG_CACHE_HOME", nullptr};
    ScopedEnv state_{"XDG_STATE_HOME", nullptr};
    ScopedEnv config_{"XDG_CONFIG_HOME", nullptr};
    ScopedEnv tmpdir_{"TMPDIR", nullptr};
    ScopedEnv runtime_{"XDG_RUNTIME_DIR", nullptr};
};

TEST_F(CoreKnownFolders, DefaultsLieBelowHome) {
    EXPECT_EQ(NativeOf(KnownFolder::LocalAppData), "/home/kivtest/.cache");
    EXPECT_EQ(NativeOf(KnownFolder::LocalAppDataLow), "/home/kivtest/.local/state");
    EXPECT_EQ(NativeOf(KnownFolder::RoamingAppData), "/home/kivtest/.config");
    EXPECT_EQ(NativeOf(KnownFolder::Temp), "/tmp");
    EXPECT_EQ(NativeOf(KnownFolder::Desktop), "/home/kivtest/Desktop");
    EXPECT_EQ(WindowsOf(KnownFolder::LocalAppDataLow), "Z:\\home\\kivtest\\.local\\state");
}

TEST_F(CoreKnownFolders, EnvironmentIsReadAtEveryCall) {
    {
        ScopedEnv cache("XDG_CACHE_HOME", "/srv/cache/");
        ScopedEnv state("XDG_STATE_HOME", "/srv/state");
        ScopedEnv config("XDG_CONFIG_HOME", "/srv/config");
        ScopedEnv tmp("TMPDIR", "/var/tmp//");
        EXPECT_EQ(WindowsOf(KnownFolder::LocalAppData), "Z:\\srv\\cache");
        EXPECT_EQ(NativeOf(KnownFolder::LocalAppDataLow), "/srv/state");
        EXPECT_EQ(NativeOf(KnownFolder::RoamingAppData), "/srv/config");
        EXPECT_EQ(WindowsOf(KnownFolder::Temp), "Z:\\var\\tmp");
    }
    EXPECT_EQ(NativeOf(KnownFolder::LocalAppData), "/home/kivtest/.cache");
}

TEST_F(CoreKnownFolders, RelativeOrEmptyValuesAreIgnored) {
    ScopedEnv cache("XDG_CACHE_HOME", "relative/cache");
    ScopedEnv state("XDG_STATE_HOME", "");
    ScopedEnv tmp("TMPDIR", "tmp");
    EXPECT_EQ(NativeOf(KnownFolder::LocalAppData), "/home/kivtest/.cache");
    EXPECT_EQ(NativeOf(KnownFolder::LocalAppDataLow), "/home/kivtest/.local/state");
    EXPECT_EQ(NativeOf(KnownFolder::Temp), "/tmp");
}

TEST_F(CoreKnownFolders, HomeFallsBackToTheUserDatabase) {
    ScopedEnv home("HOME", nullptr);
    std::string cache = NativeOf(KnownFolder::LocalAppData);
    ASSERT_TRUE(cache.starts_with("/")) << cache;
    EXPECT_TRUE(cache.ends_with("/.cache")) << cache;
}

TEST_F(CoreKnownFolders, UnrepresentableFolderIsRefusedInWindowsForm) {
    ScopedEnv cache("XDG_CACHE_HOME", "/srv/a:b");
    std::string windows = "unchanged";
    EXPECT_FALSE(win::GetKnownFolderPath(KnownFolder::LocalAppData, windows));
    EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_NAME);
    EXPECT_EQ(windows, "unchanged");
    EXPECT_EQ(NativeOf(KnownFolder::LocalAppData), "/srv/a:b");
}

// The user-dirs file is read only while it is a plain file: a FIFO in its
// place gives the defaults at once instead of holding the program.
TEST_F(CoreKnownFolders, UserFoldersComeFromAPlainUserDirsFile) {
    ScopedEnv config("XDG_CONFIG_HOME", temp_.Path());
    const std::string file = temp_.Path() + "/user-dirs.dirs";
    std::ofstream(file) << "# written by xdg-user-dirs-update\n"
                        << "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n"
                        << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
    EXPECT_EQ(NativeOf(KnownFolder::Desktop), "/home/kivtest/Schreibtisch");
    EXPECT_EQ(WindowsOf(KnownFolder::Desktop), "Z:\\home\\kivtest\\Schreibtisch");
    EXPECT_EQ(NativeOf(KnownFolder::Downloads), "/home/kivtest/Téléchargements");

    std::filesystem::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(NativeOf(KnownFolder::Downloads), "/home/kivtest/Downloads");
    EXPECT_EQ(NativeOf(KnownFolder::Home), "/home/kivtest");
}

TEST(CoreUserDirs, ParsesTheFormsXdgUserDirsWrites) {
    auto find = [](const char* text) { return win::FindUserDir(text, "XDG_DESKTOP_DIR", "/h"); };
    EXPECT_EQ(find("XDG_DESKTOP_DIR=\"$HOME/Desk top\"\n"), "/h/Desk top");
    EXPECT_EQ(find("  XDG_DESKTOP_DIR=\"/data/desk\""), "/data/desk");
    EXPECT_EQ(find("XDG_DESKTOP_DIR=\"${HOME}/a\\\"b\""), "/h/a\"b");
    // The last valid assignment wins, as when the shell sources the file.
    EXPECT_EQ(find("XDG_DESKTOP_DIR=\"/one\"\nXDG_DESKTOP_DIR=\"/two\"\nXDG_DESKTOP_DIR=\"x\"\n"),
              "/two");
    for (const char* ignored :
         {"# XDG_DESKTOP_DIR=\"/commented\"", "XDG_DESKTOP_DIRX=\"/other\"",
          "XDG_DESKTOP_DIR=\"relative/desk\"", "XDG_DESKTOP_DIR=\"$HOMEDIR/x\"",
          "XDG_DESKTOP_DIR=\"/unterminated\n", ""}) {
        EXPECT_FALSE(find(ignored).has_value()) << ignored;
    }
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

TEST_F(CoreKnownFolders, RuntimeFolderIsCreatedPrivateBelowXdgRuntimeDir) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", temp_.Path());
    std::string expected = temp_.Path() + "/kiv-downloader";
    EXPECT_EQ(NativeOf(KnownFolder::Runtime), expected);
    EXPECT_TRUE(S_ISDIR(ModeOf(expected)));
    EXPECT_EQ(ModeOf(expected) & 0777, 0700u);
    // An existing folder of ours with wider access is tightened.
    chmod(expected.c_str(), 0755);
    EXPECT_EQ(NativeOf(KnownFolder::Runtime), expected);
    EXPECT_EQ(ModeOf(expected) & 0777, 0700u);
}

TEST_F(CoreKnownFolders, RuntimeFolderFallsBackToTmpPerUser) {
    std::string expected = "/tmp/kiv-downloader-" + std::to_string(geteuid());
    EXPECT_EQ(NativeOf(KnownFolder::Runtime), expected);
    {
        ScopedEnv missing("XDG_RUNTIME_DIR", temp_.Path() + "/missing");
        EXPECT_EQ(NativeOf(KnownFolder::Runtime), expected);
    }
    EXPECT_TRUE(S_ISDIR(ModeOf(expected)));
    EXPECT_EQ(ModeOf(expected) & 0077, 0u);
}

TEST_F(CoreKnownFolders, RuntimeFolderRefusesSymlinkAndForeignFolder) {
    ScopedEnv runtime("XDG_RUNTIME_DIR", temp_.Path());
    std::string place = temp_.Path() + "/kiv-downloader";
    std::filesystem::create_directory(temp_.Path() + "/elsewhere");
    std::filesystem::create_directory_symlink(temp_.Path() + "/elsewhere", place);
    std::string path = "unchanged";
    EXPECT_FALSE(win::GetKnownFolderNativePath(KnownFolder::Runtime, path));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(path, "unchanged");

    std::filesystem::remove(place);
    std::ofstream(place) << "a file in its place";
    EXPECT_FALSE(win::GetKnownFolderNativePath(KnownFolder::Runtime, path));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);

    if (geteuid() != 0) {
        GTEST_SKIP() << "a folder owned by someone else needs root to set up";
    }
    std::filesystem::remove(place);
    ASSERT_EQ(mkdir(place.c_str(), 0700), 0);
    ASSERT_EQ(chown(place.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(win::GetKnownFolderNativePath(KnownFolder::Runtime, path));
    EXPECT_EQ(win::GetLastError(), win::ERROR_ACCESS_DENIED);
}

// Another user (or a link) holding our name in the shared folder must not
// stop every run: a fresh folder of ours, the same one for every process.
TEST_F(CoreKnownFolders, RuntimeFolderTakenBySomeoneElseIsReplacedByAPrivateOne) {
    ScopedEnv tmpdir("TMPDIR", temp_.Path());
    ScopedEnv state("XDG_STATE_HOME", temp_.Path() + "/state");
    const std::string taken = temp_.Path() + "/kiv-downloader-" + std::to_string(geteuid());
    std::filesystem::create_directory(temp_.Path() + "/elsewhere");
    std::filesystem::create_directory_symlink(temp_.Path() + "/elsewhere", taken);

    const std::string first = NativeOf(KnownFolder::Runtime);
    EXPECT_TRUE(first.starts_with(taken + ".")) << first;
    EXPECT_EQ(ModeOf(first) & 0777, 0700u);
    EXPECT_TRUE(S_ISDIR(ModeOf(first)));
    EXPECT_EQ(NativeOf(KnownFolder::Runtime), first) << "found again";
    const std::string record = temp_.Path() + "/state/kiv-downloader/runtime-folder";
    EXPECT_EQ(ModeOf(record) & 0777, 0600u);

    // A recorded folder that is no longer ours alone is not used again.
    chmod(first.c_str(), 0755);
    const std::string second = NativeOf(KnownFolder::Runtime);
    EXPECT_TRUE(second.starts_with(taken + ".")) << second;
    EXPECT_NE(second, first);
    std::ofstream(record, std::ios::trunc) << temp_.Path() + "/elsewhere";
    EXPECT_NE(NativeOf(KnownFolder::Runtime), temp_.Path() + "/elsewhere");

    if (geteuid() != 0) {
        GTEST_SKIP() << "a folder owned by someone else needs root to set up";
    }
    std::filesystem::remove(taken);
    ASSERT_EQ(mkdir(taken.c_str(), 0700), 0);
    ASSERT_EQ(chown(taken.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(NativeOf(KnownFolder::Runtime).starts_with(taken + "."));
}

}  // namespace

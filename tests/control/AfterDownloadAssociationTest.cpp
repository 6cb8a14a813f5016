#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "control/DesktopAssociation.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

namespace fs = std::filesystem;
using Argv = std::vector<std::string>;

const std::string kFile = "/tmp/dl/My Film.mkv";

Argv Expand(const std::string& exec) {
    Argv argv;
    EXPECT_TRUE(ExpandExecLine(exec, kFile, argv)) << exec;
    return argv;
}

TEST(AfterDownloadExecLineTest, FileCodesTakeTheFileAndOthersVanish) {
    EXPECT_EQ(Expand("vlc %U"), (Argv{"vlc", kFile}));
    EXPECT_EQ(Expand("mpv --player-operation-mode=pseudo-gui -- %f"),
              (Argv{"mpv", "--player-operation-mode=pseudo-gui", "--", kFile}));
    EXPECT_EQ(Expand("app --file=%u"), (Argv{"app", "--file=" + kFile}));
    EXPECT_EQ(Expand("app %i %c %k %F"), (Argv{"app", kFile}));
    EXPECT_EQ(Expand("app 100%% %f"), (Argv{"app", "100%", kFile}));
}

TEST(AfterDownloadExecLineTest, ALineWithoutFileCodeGetsTheFileLast) {
    EXPECT_EQ(Expand("totem"), (Argv{"totem", kFile}));
    EXPECT_EQ(Expand("  app\t-x  "), (Argv{"app", "-x", kFile}));
}

TEST(AfterDownloadExecLineTest, QuotedWordsKeepTheirSpacesAndEscapes) {
    EXPECT_EQ(Expand("\"/opt/My Player/play\" \"a \\\"b\\\" \\\\c\" %f"),
              (Argv{"/opt/My Player/play", "a \"b\" \\c", kFile}));
    EXPECT_EQ(Expand("app \"\" %f"), (Argv{"app", "", kFile}));
}

TEST(AfterDownloadExecLineTest, UnusableLinesGiveNoCommand) {
    Argv argv{"left over"};
    for (const char* exec : {"", "   ", "\"open", "app \"x\\", "%f", "%i app"}) {
        EXPECT_FALSE(ExpandExecLine(exec, kFile, argv)) << exec;
    }
}

// Data folders made for the test: home first, then two system folders.
class AfterDownloadDesktopEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kiv-xdg-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        home_ = std::make_unique<coretest::ScopedEnv>("XDG_DATA_HOME", root_ + "/home");
        dirs_ = std::make_unique<coretest::ScopedEnv>(
            "XDG_DATA_DIRS", "relative/ignored:" + root_ + "/sys1:" + root_ + "/sys2");
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& relative, const std::string& text) {
        const fs::path path = root_ + "/" + relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    std::string Exec(const std::string& id) {
        std::string exec = "none";
        return FindDesktopEntryExec(id, exec) ? exec : "none";
    }

    std::string root_;
    std::unique_ptr<coretest::ScopedEnv> home_;
    std::unique_ptr<coretest::ScopedEnv> dirs_;
};

TEST_F(AfterDownloadDesktopEntryTest, TheFirstFolderWithTheIdWins) {
    Write("sys2/applications/player.desktop", "[Desktop Entry]\nExec=sys2-player %f\n");
    EXPECT_EQ(Exec("player.desktop"), "sys2-player %f");
    Write("sys1/applications/player.desktop", "[Desktop Entry]\nExec=sys1-player %f\n");
    EXPECT_EQ(Exec("player.desktop"), "sys1-player %f");
    Write("home/applications/player.desktop", "[Desktop Entry]\nName=Mine\n");
    EXPECT_EQ(Exec("player.desktop"), "none");  // the user's entry hides the system's
}

TEST_F(AfterDownloadDesktopEntryTest, OnlyTheEntryGroupsExecKeyCounts) {
    Write("sys1/applications/a.desktop",
          "# Exec=comment\n[Desktop Action new]\nExec=action\n[Desktop Entry]\n"
          "Exec[de]=german\nTryExec=probe\n Exec = app\\s--x \\\\\\\\y %U \n");
    EXPECT_EQ(Exec("a.desktop"), "app --x \\\\y %U");
}

TEST_F(AfterDownloadDesktopEntryTest, ADashMayStandForASubfolder) {
    Write("sys1/applications/kde4/okular.desktop", "[Desktop Entry]\nExec=okular %U\n");
    EXPECT_EQ(Exec("kde4-okular.desktop"), "okular %U");
}

TEST_F(AfterDownloadDesktopEntryTest, IdsThatLeaveTheFolderAreRefused) {
    Write("sys1/evil.desktop", "[Desktop Entry]\nExec=evil\n");
    Write("sys1/applications/sub/x.desktop", "[Desktop Entry]\nExec=x\n");
    EXPECT_EQ(Exec("../evil.desktop"), "none");
    EXPECT_EQ(Exec("sub/x.desktop"), "none");
    EXPECT_EQ(Exec(""), "none");
}

TEST_F(AfterDownloadDesktopEntryTest, TheAssociationAsksXdgMimeThenReadsTheEntry) {
    Write("sys2/applications/vendor-player.desktop", "[Desktop Entry]\nExec=player --play %f\n");
    std::vector<Argv> queries;
    const CDesktopAssociation association([&queries](const Argv& argv, std::string& output) {
        queries.push_back(argv);
        output =
            argv[2] == "filetype" ? "video/x-ms-wmv\n" : "missing.desktop;vendor-player.desktop\n";
        return true;
    });
    std::string exec;
    ASSERT_TRUE(association.FindProgram(kFile, exec));
    EXPECT_EQ(exec, "player --play %f");
    EXPECT_EQ(queries, (std::vector<Argv>{{"xdg-mime", "query", "filetype", kFile},
                                          {"xdg-mime", "query", "default", "video/x-ms-wmv"}}));
}

TEST_F(AfterDownloadDesktopEntryTest, NoTypeOrNoDefaultMeansNoProgram) {
    Write("sys1/applications/p.desktop", "[Desktop Entry]\nExec=p\n");
    std::string exec;
    const CDesktopAssociation failing([](const Argv&, std::string&) { return false; });
    EXPECT_FALSE(failing.FindProgram(kFile, exec));
    const CDesktopAssociation noDefault([](const Argv& argv, std::string& output) {
        output = argv[2] == "filetype" ? "text/plain" : "\n";
        return true;
    });
    EXPECT_FALSE(noDefault.FindProgram(kFile, exec));
}

}  // namespace

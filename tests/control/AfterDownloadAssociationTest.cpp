#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "control/DesktopAssociation.h"
#include "tests/platform/CoreTestSupport.h"

using kivcontrol::CDesktopAssociation;
using kivcontrol::ExpandExecLine;
using kivcontrol::FindDesktopEntryExec;

namespace {

namespace fs = std::filesystem;
using Argv = std::vector<std::string>;

const std::string kFile = "/tmp/dl/My Film.mkv";

TEST(AfterDownloadExecLineTest, FieldCodesQuotingAndTheFileArgument) {
    const std::pair<const char*, Argv> cases[] = {
        {"vlc %U", {"vlc", kFile}},
        {"app --file=%u %i %c %k", {"app", "--file=" + kFile}},
        {"app 100%% %F", {"app", "100%", kFile}},
        {"  totem\t-x  ", {"totem", "-x", kFile}},  // no file code: the file comes last
        {"\"/opt/My Player/p\" \"a \\\"b\\\" \\\\c\" \"\" %f",
         {"/opt/My Player/p", "a \"b\" \\c", "", kFile}},
    };
    for (const auto& [exec, expected] : cases) {
        Argv argv;
        EXPECT_TRUE(ExpandExecLine(exec, kFile, argv)) << exec;
        EXPECT_EQ(argv, expected) << exec;
    }
    Argv argv;
    // The program never comes from a field code: that would run the file itself.
    for (const char* exec : {"", "   ", "\"open", "app \"x\\", "%f", "%i app"}) {
        EXPECT_FALSE(ExpandExecLine(exec, kFile, argv)) << exec;
    }
}

// Data folders made for the test: home first, then two system folders.
class AfterDownloadDesktopEntryTest : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(root_); }
    void Write(const std::string& relative, const std::string& text) {
        fs::create_directories(fs::path(root_ + "/" + relative).parent_path());
        std::ofstream(root_ + "/" + relative) << text;
    }
    std::string Exec(const std::string& id) {
        std::string exec;
        return FindDesktopEntryExec(id, exec) ? exec : "none";
    }

    std::string root_ = [] {
        std::string pattern = (fs::temp_directory_path() / "kiv-xdg-XXXXXX").string();
        return mkdtemp(pattern.data()) != nullptr ? pattern : std::string("/nonexistent");
    }();
    coretest::ScopedEnv home_{"XDG_DATA_HOME", root_ + "/home"};
    coretest::ScopedEnv dirs_{"XDG_DATA_DIRS", "relative:" + root_ + "/sys1:" + root_ + "/sys2"};
};

TEST_F(AfterDownloadDesktopEntryTest, TheFirstFolderWithTheIdWins) {
    Write("sys2/applications/player.desktop", "[Desktop Entry]\nExec=sys2 %f\n");
    EXPECT_EQ(Exec("player.desktop"), "sys2 %f");
    Write("sys1/applications/player.desktop", "[Desktop Entry]\nExec=sys1 %f\n");
    EXPECT_EQ(Exec("player.desktop"), "sys1 %f");
    Write("home/applications/player.desktop", "[Desktop Entry]\nName=Mine\n");
    EXPECT_EQ(Exec("player.desktop"), "none");  // the user's entry hides the system's
}

TEST_F(AfterDownloadDesktopEntryTest, OnlyTheEntryGroupsExecKeyOfAnIdBelowTheFolder) {
    Write("sys1/applications/a.desktop",
          "[Desktop Action new]\nExec=action\n[Desktop Entry]\nExec[de]=german\n"
          "TryExec=probe\n Exec = app\\s--x \\\\\\\\y %U \n");
    EXPECT_EQ(Exec("a.desktop"), "app --x \\\\y %U");
    Write("sys1/applications/kde4/okular.desktop", "[Desktop Entry]\nExec=okular %U\n");
    EXPECT_EQ(Exec("kde4-okular.desktop"), "okular %U");
    Write("sys1/evil.desktop", "[Desktop Entry]\nExec=evil\n");
    Write("sys1/applications/sub/x.desktop", "[Desktop Entry]\nExec=x\n");
    EXPECT_EQ(Exec("../evil.desktop"), "none");
    EXPECT_EQ(Exec("sub/x.desktop"), "none");
}

TEST_F(AfterDownloadDesktopEntryTest, TheAssociationAsksXdgMimeThenReadsTheEntry) {
    Write("sys2/applications/vendor-player.desktop", "[Desktop Entry]\nExec=player %f\n");
    std::vector<Argv> queries;
    std::string defaults = "missing.desktop;vendor-player.desktop\n";
    const CDesktopAssociation association([&](const Argv& argv, std::string& output) {
        queries.push_back(argv);
        output = argv[2] == "filetype" ? "video/x-ms-wmv\n" : defaults;
        return true;
    });
    std::string exec;
    ASSERT_TRUE(association.FindProgram(kFile, exec));
    EXPECT_EQ(exec, "player %f");
    EXPECT_EQ(queries, (std::vector<Argv>{{"xdg-mime", "query", "filetype", kFile},
                                          {"xdg-mime", "query", "default", "video/x-ms-wmv"}}));
    defaults = "\n";
    EXPECT_FALSE(association.FindProgram(kFile, exec));
    const CDesktopAssociation failing([](const Argv&, std::string&) { return false; });
    EXPECT_FALSE(failing.FindProgram(kFile, exec));
}

}  // namespace

// kiv-downloader as a user runs it: the exit status and the message for
// unusable input, the help text, and the registration actions.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/host/HostTestSupport.h"

namespace {

const std::string kInprocServer =
    "Software\\Classes\\CLSID\\{7126E9C3-57EE-4EBA-A6AC-286C10450471}\\InprocServer32";

class ProgramTest : public ::testing::Test {
protected:
    hosttest::ProgramResult Run(const std::vector<std::string>& args,
                                const std::vector<std::string>& more = {}) {
        std::vector<std::string> overrides = {"XDG_CONFIG_HOME=" + store_.ConfigHome(), "DISPLAY",
                                              "WAYLAND_DISPLAY"};
        overrides.insert(overrides.end(), more.begin(), more.end());
        return hosttest::RunProgram(args, overrides);
    }

    hosttest::PrivateStore store_;
    coretest::TempFolder folder_;
};

TEST_F(ProgramTest, MissingPageFile) {
    const std::string missing = folder_.Path() + "/download.html";
    const hosttest::ProgramResult result = Run({missing});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err, "kiv-downloader: cannot load the page '" + missing + "': no such file\n");
    EXPECT_EQ(result.out, "");
}

TEST_F(ProgramTest, PageWithoutTheControlsObject) {
    const std::string page = folder_.Path() + "/download.html";
    hosttest::WriteFile(
        page,
        "<html><body><object classid='clsid:{D27CDB6E-AE6D-11CF-96B8-444553540000}'>"
        "<param name='contentscount' value='1'></object></body></html>");
    const hosttest::ProgramResult result = Run({page});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("page '" + page + "': the page has no <object> for the control"),
              std::string::npos)
        << result.err;
}

TEST_F(ProgramTest, BadParamOption) {
    const hosttest::ProgramResult result = Run({"--param", "curl1", "page.html"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err,
              "kiv-downloader: --param needs NAME=VALUE, got 'curl1'\n"
              "Try 'kiv-downloader --help'.\n");
}

TEST_F(ProgramTest, NobodyToAskAndNoDestinationIsAUsageErrorBeforeTheRun) {
    const hosttest::ProgramResult result = Run(
        {"--terminal", "--param", "contentscount=1", "--param", "curl1=http://127.0.0.1:9/a.bin"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.err,
              "kiv-downloader: no terminal to ask where to save the files: give --destination DIR "
              "(or --yes)\nTry 'kiv-downloader --help'.\n");
    EXPECT_EQ(result.out, "");
}

TEST_F(ProgramTest, HelpDocumentsTheExitStatuses) {
    const hosttest::ProgramResult result = Run({"--help"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.out.find("Exit status:\n  0  success"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\n  1  the user cancelled"), std::string::npos);
    EXPECT_NE(result.out.find("\n  2  failure"), std::string::npos);
    EXPECT_TRUE(Run({"-V"}).out.starts_with("kiv-downloader 1."));
}

TEST_F(ProgramTest, RegistersAndUnregistersTheModuleNextToIt) {
    hosttest::ProgramResult result = Run({"--register"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out.find("DllRegisterServer in "), std::string::npos);
    // The program and its test share the store through XDG_CONFIG_HOME.
    EXPECT_EQ(hosttest::ReadRegistryString(kInprocServer), hosttest::CanonicalModulePath());

    result = Run({"--unregister"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(hosttest::ReadRegistryString(kInprocServer).has_value());
}

// Whoever could write the store (a confined worker of an earlier run, another
// program of the user) must not get code of theirs run by the next page.
TEST_F(ProgramTest, APlantedRegistrationIsNeverLoaded) {
    const std::string mark = folder_.Path() + "/planted-module-ran";
    hosttest::WriteRegistryString(kInprocServer, "", KIV_PLANTED_MODULE_PATH);
    const hosttest::ProgramResult result =
        Run({"--terminal", "--param", "contentscount=0"}, {"KIV_PLANTED_MODULE_MARK=" + mark});
    EXPECT_FALSE(std::filesystem::exists(mark));
    EXPECT_NE(result.err.find("kiv-downloader: the registered control module " +
                              std::string(KIV_PLANTED_MODULE_PATH) +
                              " lies outside the program's folders; registered "),
              std::string::npos)
        << result.err;
    EXPECT_EQ(hosttest::ReadRegistryString(kInprocServer), hosttest::CanonicalModulePath());
}

}  // namespace

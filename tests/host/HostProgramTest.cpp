// kiv-downloader's core in process: from the arguments through the page and
// the module's registration to the front-end, with a recording front-end.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <gumbo.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "host/DestinationFolder.h"
#include "host/ExitStatus.h"
#include "host/HostProgram.h"
#include "tests/host/HostTestSupport.h"

namespace {

const std::string kInprocServer =
    "Software\\Classes\\CLSID\\{7126E9C3-57EE-4EBA-A6AC-286C10450471}\\InprocServer32";

struct Recorded {
    int runs = 0;
    FrontEndKind kind = FrontEndKind::Window;
    HostPage page;
    std::string modulePath;
    bool terminal = false;
};

class RecordingFrontEnd : public IFrontEnd {
public:
    explicit RecordingFrontEnd(Recorded& recorded) : recorded_(recorded) {}
    int Run(const HostPage& page, CControlModule& module, const HostOptions& options) override {
        ++recorded_.runs;
        recorded_.page = page;
        recorded_.modulePath = module.Path();
        recorded_.terminal = options.terminal;
        return kExitCancelled;  // passed through as the program's status
    }

private:
    Recorded& recorded_;
};

class HostProgramTest : public ::testing::Test {
protected:
    int Run(const std::vector<std::string>& args, const char* display = ":0") {
        out_.str("");
        err_.str("");
        HostEnvironment environment{hosttest::ModulePath(), display, nullptr};
        auto factory = [this](FrontEndKind kind) -> std::unique_ptr<IFrontEnd> {
            recorded_.kind = kind;
            return std::make_unique<RecordingFrontEnd>(recorded_);
        };
        return RunHost(args, environment, factory, out_, err_);
    }
    std::string WritePage(const std::string& html) {
        const std::string path = folder_.Path() + "/page.html";
        hosttest::WriteFile(path, html);
        return path;
    }

    hosttest::PrivateStore store_;
    coretest::TempFolder folder_;
    Recorded recorded_;
    std::ostringstream out_;
    std::ostringstream err_;
};

const char* const kPage =
    "<html><head><title>Files</title></head><body>"
    "<object classid='clsid:{7126E9C3-57EE-4EBA-A6AC-286C10450471}' width='500' height='300'>"
    "<param name='contentscount' value='1'><param name='curl1' value='http://h/a.zip'>"
    "<param name='caption' value='From the page'></object></body></html>";

TEST_F(HostProgramTest, FirstRunRegistersTheModuleNextToTheProgramAndSaysSoOnce) {
    const std::string page = WritePage(kPage);
    ASSERT_FALSE(hosttest::ReadRegistryString(kInprocServer).has_value());

    // Said only when asked for (-v): registering is the first run's own business.
    EXPECT_EQ(Run({page, "-v"}), kExitCancelled);
    EXPECT_EQ(recorded_.runs, 1);
    EXPECT_NE(err_.str().find("not registered; registered " + hosttest::ModulePath()),
              std::string::npos)
        << err_.str();
    EXPECT_EQ(hosttest::ReadRegistryString(kInprocServer), hosttest::CanonicalModulePath());
    EXPECT_EQ(recorded_.modulePath, hosttest::CanonicalModulePath());

    EXPECT_EQ(Run({page}), kExitCancelled);
    EXPECT_EQ(recorded_.runs, 2);
    EXPECT_EQ(err_.str(), "");
}

TEST_F(HostProgramTest, TheFrontEndGetsThePageWithTheCommandLineParametersFirst) {
    EXPECT_EQ(Run({"--param", "caption=From the command line", WritePage(kPage), "--terminal"}),
              kExitCancelled);
    EXPECT_EQ(recorded_.kind, FrontEndKind::Terminal);
    EXPECT_TRUE(recorded_.terminal);
    EXPECT_EQ(recorded_.page.title, "Files");
    EXPECT_EQ(recorded_.page.width, 500);
    EXPECT_EQ(recorded_.page.height, 300);
    const HostPage::Params expected = {{"caption", "From the command line"},
                                       {"contentscount", "1"},
                                       {"curl1", "http://h/a.zip"},
                                       {"caption", "From the page"}};
    EXPECT_EQ(recorded_.page.params, expected);
    // The control reads the first of a name.
    EXPECT_EQ(MakeParameterBag(recorded_.page, {}).Read("caption"), "From the command line");
    EXPECT_EQ(MakeParameterBag(recorded_.page, {{"CAPTION", "Front-end's"}}).Read("caption"),
              "Front-end's");
    EXPECT_EQ(MakeParameterBag(recorded_.page, {}).Read("curl1"), "http://h/a.zip");

    // Without a page the parameters alone go; without a display, the terminal.
    EXPECT_EQ(Run({"--param", "contentscount=1"}, nullptr), kExitCancelled);
    EXPECT_EQ(recorded_.kind, FrontEndKind::Terminal);
    EXPECT_EQ(recorded_.page.params, (HostPage::Params{{"contentscount", "1"}}));
    EXPECT_EQ(Run({WritePage(kPage)}), kExitCancelled);
    EXPECT_EQ(recorded_.kind, FrontEndKind::Window);
}

TEST_F(HostProgramTest, InputProblemsEndWithStatusTwoBeforeAnyFrontEnd) {
    const std::vector<std::vector<std::string>> cases = {
        {folder_.Path() + "/missing.html"},
        {folder_.Path()},
        {WritePage("<html><body><p>No control here</p></body></html>")},
        {"--param", "contentscount"},
        {"--bogus"},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Run(args), kExitFailure) << args[0];
        EXPECT_TRUE(err_.str().starts_with("kiv-downloader: ")) << err_.str();
    }
    EXPECT_EQ(recorded_.runs, 0);
    // Nothing was registered on the way.
    EXPECT_FALSE(hosttest::ReadRegistryString(kInprocServer).has_value());
}

// --destination to a folder that is not there: made at once with --yes,
// after a yes on a terminal, never without an answer or over a file.
TEST_F(HostProgramTest, AMissingDestinationIsMadeWithYesOrTheUsersYesOnly) {
    const std::string page = WritePage(kPage);
    const std::string madeAtOnce = folder_.Path() + "/new/sub";
    EXPECT_EQ(Run({page, "--yes", "-d", madeAtOnce}), kExitCancelled) << err_.str();
    EXPECT_EQ(recorded_.runs, 1);
    EXPECT_TRUE(std::filesystem::is_directory(madeAtOnce));

    const std::string asked = folder_.Path() + "/asked";
    std::vector<std::string> questions;
    auto answering = [&questions](bool yes) {
        return YesNoQuestion([&questions, yes](const std::string& question) {
            questions.push_back(question);
            return yes;
        });
    };
    std::string error;
    EXPECT_FALSE(EnsureDestinationFolder(asked, false, {}, error));
    EXPECT_NE(error.find("--yes"), std::string::npos) << error;
    EXPECT_FALSE(EnsureDestinationFolder(asked, false, answering(false), error));
    EXPECT_FALSE(std::filesystem::exists(asked));
    EXPECT_TRUE(EnsureDestinationFolder(asked, false, answering(true), error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(asked));
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_NE(questions[0].find(asked), std::string::npos) << questions[0];

    hosttest::WriteFile(folder_.Path() + "/file", "x");
    EXPECT_FALSE(EnsureDestinationFolder(folder_.Path() + "/file/sub", true, {}, error));
    EXPECT_FALSE(EnsureDestinationFolder(folder_.Path() + "/file", true, {}, error));
    EXPECT_EQ(questions.size(), 2u);
}

// A registration that is gone (an old build folder deleted), not absolute or
// outside the program's folders falls back to the module beside the program,
// with one line; a module named on the command line is loaded wherever it is.
TEST_F(HostProgramTest, OnlyInstalledOrExplicitlyRegisteredModulesAreLoaded) {
    const std::string page = WritePage(kPage);
    const std::string copy = folder_.Path() + "/copy/kivdownloadcontrol.so";
    std::filesystem::create_directories(folder_.Path() + "/copy");
    std::filesystem::copy_file(hosttest::ModulePath(), copy);
    for (const std::string& registered : {std::string("/no/such/kivdownloadcontrol.so"),
                                          std::string("kivdownloadcontrol.so"), copy}) {
        hosttest::WriteRegistryString(kInprocServer, "", registered);
        EXPECT_EQ(Run({page}), kExitCancelled) << registered;
        EXPECT_EQ(recorded_.modulePath, hosttest::CanonicalModulePath());
        EXPECT_EQ(hosttest::ReadRegistryString(kInprocServer), hosttest::CanonicalModulePath());
        const std::string said = err_.str();
        EXPECT_TRUE(
            said.starts_with("kiv-downloader: the registered control module " + registered + " "))
            << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }

    EXPECT_EQ(Run({"--register", copy}), kExitSuccess) << err_.str();
    EXPECT_EQ(Run({page}), kExitCancelled);
    EXPECT_EQ(recorded_.modulePath, std::filesystem::canonical(copy).string());
    EXPECT_EQ(err_.str(), "");
}

TEST_F(HostProgramTest, RegistrationActionsReportLikeARegistrationTool) {
    EXPECT_EQ(Run({"--register"}), kExitSuccess);
    EXPECT_EQ(out_.str(), "DllRegisterServer in " + hosttest::ModulePath() + " succeeded.\n");
    EXPECT_EQ(hosttest::ReadRegistryString(kInprocServer), hosttest::CanonicalModulePath());

    EXPECT_EQ(Run({"--unregister", hosttest::ModulePath()}), kExitSuccess);
    EXPECT_FALSE(hosttest::ReadRegistryString(kInprocServer).has_value());

    EXPECT_EQ(Run({"--register", folder_.Path() + "/absent.so"}), kExitFailure);
    EXPECT_NE(err_.str().find("cannot load the control module"), std::string::npos);
    const std::string notAModule = folder_.Path() + "/fake.so";
    hosttest::WriteFile(notAModule, "not an ELF file");
    EXPECT_EQ(Run({"--register", notAModule}), kExitFailure);
    // A shared library, but not a control module.
    Dl_info gumbo{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&gumbo_parse), &gumbo), 0);
    EXPECT_EQ(Run({"--register", gumbo.dli_fname}), kExitFailure);
    EXPECT_NE(err_.str().find("is no control module: it exports no DllRegisterServer"),
              std::string::npos)
        << err_.str();
    EXPECT_EQ(recorded_.runs, 0);
}

}  // namespace

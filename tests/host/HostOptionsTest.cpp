// The program's command line and the choice of front-end.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/FrontEnd.h"
#include "host/HostOptions.h"
#include "tests/platform/CoreTestSupport.h"

using kivcontrol::ExistingFiles;

namespace {

using Params = std::vector<std::pair<std::string, std::string>>;

HostOptions Parse(const std::vector<std::string>& args) {
    HostOptions options;
    std::string error;
    EXPECT_TRUE(ParseHostOptions(args, options, error)) << error;
    return options;
}

std::string Refusal(const std::vector<std::string>& args) {
    HostOptions options;
    std::string error;
    EXPECT_FALSE(ParseHostOptions(args, options, error));
    return error;
}

TEST(HostOptionsTest, PageWithEveryRunOption) {
    coretest::TempFolder folder;
    const HostOptions options =
        Parse({"--terminal", "--param", "caption=Files", "--param=curl1=http://h/a?b=c",
               "page.html", "--destination", folder.Path(), "--existing=restart", "--yes",
               "--no-open", "--protected", "--param", "helplink="});
    EXPECT_EQ(options.action, HostAction::Run);
    EXPECT_EQ(options.page, "page.html");
    // In order; only the first '=' separates name and value; empty values stay.
    EXPECT_EQ(options.params,
              (Params{{"caption", "Files"}, {"curl1", "http://h/a?b=c"}, {"helplink", ""}}));
    EXPECT_TRUE(options.terminal);
    EXPECT_EQ(options.destination, folder.Path());
    EXPECT_EQ(options.existing, ExistingFiles::Restart);
    EXPECT_TRUE(options.yes);
    EXPECT_TRUE(options.noOpen);
    EXPECT_TRUE(options.protectedMode);
}

TEST(HostOptionsTest, DefaultsAndTheOtherForms) {
    HostOptions options = Parse({"https://example.com/download.html"});
    EXPECT_EQ(options.page, "https://example.com/download.html");
    EXPECT_FALSE(options.terminal);
    EXPECT_EQ(options.existing, ExistingFiles::Ask);
    EXPECT_TRUE(options.destination.empty());
    EXPECT_FALSE(options.yes || options.noOpen || options.protectedMode);

    // Parameters alone make a run; a page named like an option after "--".
    EXPECT_EQ(Parse({"--param", "contentscount=1"}).page, "");
    EXPECT_EQ(Parse({"--existing", "resume", "--", "--odd-name.html"}).page, "--odd-name.html");
    EXPECT_EQ(Parse({"--existing", "resume", "p.html"}).existing, ExistingFiles::Resume);
}

TEST(HostOptionsTest, RelativeDestinationBecomesAbsolute) {
    coretest::TempFolder folder;
    std::filesystem::create_directory(folder.Path() + "/out");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const HostOptions options = Parse({"--destination", "./out/", "p.html"});
    std::filesystem::current_path(previous);
    EXPECT_EQ(std::filesystem::path(options.destination),
              std::filesystem::path(folder.Path()) / "out/");
}

TEST(HostOptionsTest, RegistrationWithAndWithoutModule) {
    HostOptions options = Parse({"--register"});
    EXPECT_EQ(options.action, HostAction::Register);
    EXPECT_EQ(options.module, "");
    options = Parse({"--unregister", "/opt/kiv/kivdownloadcontrol.so"});
    EXPECT_EQ(options.action, HostAction::Unregister);
    EXPECT_EQ(options.module, "/opt/kiv/kivdownloadcontrol.so");
    // An option after --register is no module.
    options = Parse({"--register", "--terminal"});
    EXPECT_EQ(options.module, "");
    EXPECT_TRUE(options.terminal);
}

// A browser cannot pass options to a native messaging host: it starts the
// program with arguments of its own, which mean --browser-host.
TEST(HostOptionsTest, TheBrowsersWayOfStartingTheHost) {
    EXPECT_EQ(Parse({"--browser-host"}).action, HostAction::BrowserHost);
    EXPECT_EQ(Parse({"chrome-extension://cpeldlnjfcedjplhpgaglbkndkjciooi/"}).action,
              HostAction::BrowserHost);
    EXPECT_EQ(Parse({"/usr/lib/mozilla/native-messaging-hosts/com.velmo.kiv_downloader.json",
                     "kiv-downloader@velmo"})
                  .action,
              HostAction::BrowserHost);
    EXPECT_EQ(Parse({"--install-browser-host"}).action, HostAction::InstallBrowserHost);
    EXPECT_EQ(Parse({"--uninstall-browser-host"}).action, HostAction::UninstallBrowserHost);
    // A page and a file naming another extension are pages as ever.
    EXPECT_EQ(Parse({"page.json", "--param", "a=b"}).action, HostAction::Run);
    EXPECT_NE(Refusal({"page.json", "other@example"}).find("more than one page"),
              std::string::npos);
}

TEST(HostOptionsTest, ShortFormsClustersAndOptionsAfterThePage) {
    coretest::TempFolder folder;
    const HostOptions options = Parse({"page.html", "-yq", "-d", folder.Path(), "--log=run.log",
                                       "-v", "--dest=" + folder.Path()});
    EXPECT_EQ(options.page, "page.html");
    EXPECT_TRUE(options.yes && options.quiet && options.verbose);
    EXPECT_EQ(options.destination, folder.Path());  // an unambiguous prefix names the option
    EXPECT_EQ(options.logFile, "run.log");
    EXPECT_EQ(Parse({"-d" + folder.Path(), "p.html"}).destination, folder.Path());
}

TEST(HostOptionsTest, HelpAndVersionWinOverEverythingAfterThem) {
    EXPECT_EQ(Parse({"--help"}).action, HostAction::Help);
    EXPECT_EQ(Parse({"-h", "--bogus"}).action, HostAction::Help);
    EXPECT_EQ(Parse({"-V"}).action, HostAction::Version);
    EXPECT_EQ(Parse({"--version", "p.html"}).action, HostAction::Version);
}

TEST(HostOptionsTest, BadCommandLinesSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{}, "no page given"},
        {{"--param", "contentscount"}, "--param needs NAME=VALUE, got 'contentscount'"},
        {{"--param", "=1"}, "--param needs NAME=VALUE, got '=1'"},
        {{"page.html", "--param"}, "--param needs a value"},
        {{"--existing", "keep", "p.html"}, "--existing takes resume or restart, got 'keep'"},
        {{"--destination", "/etc/hostname", "p.html"}, "is not a folder"},
        {{"--destination", "", "p.html"}, "is not a folder"},
        {{"--frobnicate", "p.html"}, "unknown option --frobnicate"},
        {{"-x", "p.html"}, "unknown option -x"},
        {{"p.html", "-d"}, "-d needs a value"},
        {{"--yes=no", "p.html"}, "--yes takes no value"},
        {{"a.html", "b.html"}, "more than one page given"},
        {{"--register", "--unregister"}, "exclude each other"},
        {{"--register", "lib.so", "page.html"}, "take no page"},
        {{"--unregister", "--param", "a=b"}, "take no page"},
        {{"--browser-host", "page.html"}, "take no page"},
        {{"--install-browser-host", "--register"}, "exclude each other"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(Refusal(c.args).find(c.message), std::string::npos) << c.message;
    }
}

TEST(FrontEndSelectionTest, TerminalWhenAskedOrWithoutADisplay) {
    EXPECT_EQ(SelectFrontEnd(false, ":0", nullptr), FrontEndKind::Window);
    EXPECT_EQ(SelectFrontEnd(false, nullptr, "wayland-0"), FrontEndKind::Window);
    EXPECT_EQ(SelectFrontEnd(true, ":0", "wayland-0"), FrontEndKind::Terminal);
    EXPECT_EQ(SelectFrontEnd(false, nullptr, nullptr), FrontEndKind::Terminal);
    EXPECT_EQ(SelectFrontEnd(false, "", ""), FrontEndKind::Terminal);
}

// What users do comes first, with an example; the module and browser
// plumbing sits in a section of its own after it; nothing wraps on 80 columns.
TEST(HostUsageTextTest, LeadsWithWhatUsersDoAndKeepsDeveloperOptionsApart) {
    const std::string text = HostUsageText();
    const std::size_t developers = text.find("For developers");
    ASSERT_NE(developers, std::string::npos) << text;
    for (const char* user : {"Example:", "--destination", "--yes", "--quiet"}) {
        EXPECT_LT(text.find(user), developers) << user;
    }
    for (const char* plumbing : {"--register", "--protected", "--browser-host", "ProgID"}) {
        EXPECT_GT(text.find(plumbing), developers) << plumbing;
    }
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
    }
}

}  // namespace

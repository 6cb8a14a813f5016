// The browser host's edges: the native messaging framing, the checks on the
// page's messages, the replies, and this user's native messaging manifests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/BrowserHostManifest.h"
#include "host/BrowserMessages.h"
#include "host/NativeMessaging.h"
#include "platform/CodePage.h"
#include "platform/Json.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/platform/CoreTestSupport.h"

namespace {

class Pipe {
public:
    Pipe() { EXPECT_EQ(::pipe(ends_), 0); }
    ~Pipe() {
        CloseWriter();
        ::close(ends_[0]);
    }
    int Reader() const { return ends_[0]; }
    int Writer() const { return ends_[1]; }
    void Write(const std::string& bytes) {
        ASSERT_EQ(::write(ends_[1], bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    void CloseWriter() {
        if (ends_[1] >= 0) ::close(ends_[1]);
        ends_[1] = -1;
    }

private:
    int ends_[2] = {-1, -1};
};

std::string Header(std::uint32_t length) {
    std::string header(4, '\0');
    std::memcpy(header.data(), &length, 4);
    return header;
}

TEST(NativeMessagingTest, MessagesGoBothWaysInTheMachinesByteOrderUntilTheEnd) {
    Pipe pipe;
    ASSERT_TRUE(WriteNativeMessage(pipe.Writer(), R"({"type":"pagehide"})"));
    ASSERT_TRUE(WriteNativeMessage(pipe.Writer(), ""));
    pipe.CloseWriter();
    std::string message;
    std::string error;
    ASSERT_EQ(ReadNativeMessage(pipe.Reader(), message, error), NativeReadResult::Message);
    EXPECT_EQ(message, R"({"type":"pagehide"})");
    ASSERT_EQ(ReadNativeMessage(pipe.Reader(), message, error), NativeReadResult::Message);
    EXPECT_EQ(message, "");
    EXPECT_EQ(ReadNativeMessage(pipe.Reader(), message, error), NativeReadResult::End);
}

TEST(NativeMessagingTest, OversizedCutShortOrStoppedReadsEndTheChannel) {
    std::string message;
    std::string error;
    {
        // Refused from the length alone: the body is never waited for.
        Pipe pipe;
        pipe.Write(Header(kMaxBrowserMessageBytes + 1));
        EXPECT_EQ(ReadNativeMessage(pipe.Reader(), message, error), NativeReadResult::Broken);
        EXPECT_NE(error.find("over the limit"), std::string::npos) << error;
    }
    {
        Pipe pipe;
        pipe.Write(Header(10) + "short");
        pipe.CloseWriter();
        EXPECT_EQ(ReadNativeMessage(pipe.Reader(), message, error), NativeReadResult::Broken);
    }
    {
        Pipe pipe;
        pipe.Write("\x01\x00");
        pipe.CloseWriter();
        EXPECT_EQ(ReadNativeMessage(pipe.Reader(), message, error), NativeReadResult::Broken);
    }
    {
        Pipe pipe;
        Pipe stop;
        stop.Write("x");
        EXPECT_EQ(ReadNativeMessage(pipe.Reader(), message, error, stop.Reader()),
                  NativeReadResult::Stopped);
        EXPECT_EQ(ReadNativeMessage(pipe.Reader(), message, error, -1, 10),
                  NativeReadResult::Stopped);  // nothing came in time
    }
}

std::string Start(const std::string& params, const std::string& url = "http://127.0.0.1:8080/p",
                  const std::string& origin = "http://127.0.0.1:8080") {
    return R"({"type":"start","url":")" + url + R"(","origin":")" + origin + R"(","params":[)" +
           params + "]}";
}

TEST(BrowserMessagesTest, APagesStartCarriesItsParametersInTheProcessCodePage) {
    BrowserMessage message;
    BrowserRefusal refusal;
    ASSERT_TRUE(ParseBrowserMessage(
        Start(
            R"(["Caption","D\u00e9mo"],["contentscount","1"],["CURL1","https://x.test/a"],)"
            R"(["hash1",""],["cname255",""],["playbutton","on"],["supporturl",""],["helplink",""])"),
        message, refusal))
        << refusal.reason;
    EXPECT_EQ(message.kind, BrowserMessageKind::Start);
    EXPECT_EQ(message.start.pageUrl, "http://127.0.0.1:8080/p");
    ASSERT_EQ(message.start.params.size(), 8u);
    EXPECT_EQ(message.start.params[0],
              (std::pair<std::string, std::string>("Caption", "D\xC3\xA9mo")));
}

TEST(BrowserMessagesTest, ParametersOutsideTheListOrTheLimitsAreRefusedByName) {
    const std::string caption64(64, 'c');
    ASSERT_TRUE([&] {
        BrowserMessage message;
        BrowserRefusal refusal;
        return ParseBrowserMessage(Start(R"(["caption",")" + caption64 + R"("])"), message,
                                   refusal);
    }());
    struct Case {
        std::string params;
        const char* named;
    };
    const Case cases[] = {
        {R"(["curl1x","http://a.test/"])", "curl1x"},
        {R"(["curl0","http://a.test/"])", "curl0"},
        {R"(["curl256","http://a.test/"])", "curl256"},
        {R"(["curl01","http://a.test/"])", "curl01"},
        {R"(["contentscount","1"],["ContentsCount","2"])", "ContentsCount"},
        {R"(["caption",")" + caption64 + R"(c"])", "caption"},
        {R"(["curl1","http://a.test/)" + std::string(2085 - 14, 'u') + R"("])", "curl1"},
        {R"(["hash1",")" + std::string(65, 'A') + R"("])", "hash1"},
        {R"(["playbutton",")" + std::string(kMaxBrowserParamValue + 1, 'o') + R"("])",
         "playbutton"},
        {R"(["contentscount",1])", "contentscount"},
        {R"(["hash1",null])", "hash1"},
        {R"(["bad\u0001name","x"])", "bad?name"},
    };
    for (const Case& c : cases) {
        BrowserMessage message;
        BrowserRefusal refusal;
        EXPECT_FALSE(ParseBrowserMessage(Start(c.params), message, refusal)) << c.params;
        EXPECT_EQ(refusal.parameter, c.named) << c.params;
    }
    // A value the process code page cannot hold is refused under its name too.
    envtest::ScopedCodePage shiftJis(win::CP_SHIFT_JIS);
    BrowserMessage message;
    BrowserRefusal refusal;
    EXPECT_FALSE(ParseBrowserMessage(Start(R"(["caption","\ud83d\ude00"])"), message, refusal));
    EXPECT_EQ(refusal.parameter, "caption");
}

TEST(BrowserMessagesTest, MalformedMessagesAreRefusedWithoutAParameter) {
    const std::string refused[] = {
        "[]",
        R"({"type":"launch"})",
        R"({"type":"pagehide","path":"/etc"})",
        R"({"type":"start","url":"http://a.test/","origin":"http://a.test"})",
        R"({"type":"start","url":"http://a.test/","origin":"http://a.test","params":[],"path":"/tmp"})",
        Start("", "http://evil.test/p", "http://127.0.0.1:8080"),
        Start("", "http://127.0.0.1:8080.evil.test/p", "http://127.0.0.1:8080"),
        Start("", "file:///etc/passwd", "file://"),
        Start("", "http://a.test/p\n", "http://a.test"),
        Start(R"(["caption"])"),
        Start(R"("caption")"),
    };
    for (const std::string& text : refused) {
        BrowserMessage message;
        BrowserRefusal refusal;
        EXPECT_FALSE(ParseBrowserMessage(text, message, refusal)) << text;
        EXPECT_TRUE(refusal.parameter.empty()) << text;
        EXPECT_FALSE(refusal.reason.empty()) << text;
    }
    BrowserMessage message;
    BrowserRefusal refusal;
    ASSERT_TRUE(ParseBrowserMessage(R"({"type":"leave-question-open"})", message, refusal));
    EXPECT_EQ(message.kind, BrowserMessageKind::LeaveQuestionOpen);
}

TEST(BrowserMessagesTest, RepliesAreJsonWithTheTextIntact) {
    json::Value value;
    std::string error;
    ASSERT_TRUE(
        json::Parse(EndMessage(BrowserRunResult::Failed, "a \"b\"\n[D:200]", true), value, error))
        << error;
    EXPECT_EQ(value.Find("type")->text, "end");
    EXPECT_EQ(value.Find("result")->text, "failed");
    EXPECT_EQ(value.Find("text")->text, "a \"b\"\n[D:200]");
    EXPECT_TRUE(value.Find("quit")->boolean);
    ASSERT_TRUE(json::Parse(GuardMessage(true), value, error));
    EXPECT_TRUE(value.Find("on")->boolean);
}

TEST(BrowserHostManifestTest, ThisUsersManifestsNameTheProgramWhereEachBrowserLooks) {
    std::vector<HostManifestFile> manifests =
        UserHostManifests("/home/u", "", "/opt/kiv \"x\"/bin/kiv-downloader");
    ASSERT_EQ(manifests.size(), 2u);
    EXPECT_EQ(manifests[0].folder, "/home/u/.config/chromium/NativeMessagingHosts");
    EXPECT_EQ(manifests[1].folder, "/home/u/.mozilla/native-messaging-hosts");
    json::Value chromium;
    json::Value firefox;
    std::string error;
    ASSERT_TRUE(json::Parse(manifests[0].text, chromium, error)) << error;
    ASSERT_TRUE(json::Parse(manifests[1].text, firefox, error)) << error;
    EXPECT_EQ(chromium.Find("path")->text, "/opt/kiv \"x\"/bin/kiv-downloader");
    EXPECT_EQ(chromium.Find("name")->text, kNativeHostName);
    EXPECT_EQ(chromium.Find("allowed_origins")->items.at(0).text,
              std::string("chrome-extension://") + kChromiumExtensionId + "/");
    EXPECT_EQ(firefox.Find("allowed_extensions")->items.at(0).text, kFirefoxExtensionId);
    // Chromium's profile follows XDG_CONFIG_HOME; a relative one does not count.
    EXPECT_EQ(UserHostManifests("/home/u", "/cfg", "/p")[0].folder,
              "/cfg/chromium/NativeMessagingHosts");
    EXPECT_EQ(UserHostManifests("/home/u", "cfg", "/p")[0].folder,
              "/home/u/.config/chromium/NativeMessagingHosts");
    EXPECT_TRUE(UserHostManifests("", "", "/p").empty());
}

TEST(BrowserHostManifestTest, InstallingReplacesALinkInsteadOfWritingThroughIt) {
    coretest::TempFolder home;
    const std::string victim = home.Path() + "/victim.txt";
    std::ofstream(victim) << "keep";
    const std::vector<HostManifestFile> manifests =
        UserHostManifests(home.Path(), "", "/usr/bin/kiv-downloader");
    std::filesystem::create_directories(manifests[0].folder);
    const std::string chromium = manifests[0].folder + "/" + HostManifestFileName();
    std::filesystem::create_symlink(victim, chromium);

    std::ostringstream out;
    std::string error;
    ASSERT_TRUE(InstallHostManifests(manifests, out, error)) << error;
    EXPECT_FALSE(std::filesystem::is_symlink(chromium));
    std::ifstream kept(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
    EXPECT_TRUE(std::filesystem::exists(manifests[1].folder + "/" + HostManifestFileName()));

    ASSERT_TRUE(UninstallHostManifests(manifests, out, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(chromium));
    EXPECT_TRUE(UninstallHostManifests(manifests, out, error)) << "nothing left is no failure";
}

}  // namespace

namespace {

TEST(BrowserHostManifestTest, SystemManifestsServeOnlyWhenBothNameThisVeryProgram) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("kiv-system-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "bin");
    const std::string program = (root / "bin/kiv-downloader").string();
    const std::string build = (root / "bin/build-kiv-downloader").string();
    std::ofstream(program) << "x";
    std::ofstream(build) << "x";
    const std::vector<std::string> manifests = SystemHostManifestPaths(root.string());
    EXPECT_FALSE(SystemManifestsServe(root.string(), program));  // none installed
    EXPECT_EQ(ShadowedInstalledProgram(root.string(), build), "");
    for (const std::string& manifest : manifests) {
        std::filesystem::create_directories(std::filesystem::path(manifest).parent_path());
        std::ofstream(manifest) << R"({"name":"com.velmo.kiv_downloader","path":)"
                                << json::Quote(program) << "}";
    }
    EXPECT_TRUE(SystemManifestsServe(root.string(), program));
    EXPECT_FALSE(SystemManifestsServe(root.string(), build));
    EXPECT_EQ(ShadowedInstalledProgram(root.string(), build), program);
    EXPECT_EQ(ShadowedInstalledProgram(root.string(), program), "");
    // A manifest that is no JSON names nothing.
    std::ofstream(manifests[0]) << "{\"path\":";
    EXPECT_FALSE(SystemManifestsServe(root.string(), program));
    std::filesystem::remove_all(root);
}

}  // namespace

// The terminal front end as a whole: the exit statuses, the browser without
// a page, and real runs of the control against the canned server on
// 127.0.0.1, unattended, through to the files in the destination.
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/sha.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "control/ParamTagBag.h"
#include "env/Application.h"
#include "frontends/terminal/TerminalBrowserHost.h"
#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalLauncher.h"
#include "frontends/terminal/TerminalSession.h"
#include "host/ExitStatus.h"
#include "platform/Language.h"
#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/env/EnvTestHelpers.h"
#include "tests/host/HostTestSupport.h"
#include "tests/host/TerminalTestIo.h"
#include "tests/support/CannedServer.h"

using kivcontrol::ControlTimings;
using kivcontrol::CParamTagBag;

namespace {

using kivterm::CTerminalSession;
using kivterm::TerminalOptions;
using termtest::CapturedTerminal;

constexpr const char* kLastModified = "Wed, 01 Jul 2015 00:00:00 GMT";

std::string Sha256Hex(const std::string& bytes) {
    std::string digest;
    CryptoPP::SHA256 hash;
    CryptoPP::StringSource source(
        bytes, true,
        new CryptoPP::HashFilter(hash, new CryptoPP::HexEncoder(new CryptoPP::StringSink(digest))));
    return digest;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(TerminalExitStatusTest, CompletedCancelledAndFailedRuns) {
    EXPECT_EQ(kivterm::ExitStatusFor(0, true), kExitSuccess);
    // No error but no completion either: the run did not do its work.
    EXPECT_EQ(kivterm::ExitStatusFor(0, false), kExitFailure);
    EXPECT_EQ(kivterm::ExitStatusFor(1, false), kExitCancelled);
    EXPECT_EQ(kivterm::ExitStatusFor(1, true), kExitCancelled);
    for (int code : {10, 200, 300, 500, 999}) EXPECT_EQ(kivterm::ExitStatusFor(code, false), 2);
}

// A worker's send (a few per file) is served while posts gather; a loop that
// slept through the gathering made every send of a page of small files wait.
TEST(TerminalGatherTest, ASendIsServedAtOnceWhilePostsGather) {
    constexpr win::UINT kTestMessage = 0x8000 + 1;  // WM_APP + 1
    std::atomic<bool> served{false};
    const win::HWND window = win::CreateWindow(
        [&](win::HWND hwnd, win::UINT message, win::WPARAM wParam,
            win::LPARAM lParam) -> win::LRESULT {
            if (message == kTestMessage) served = true;
            return win::DefWindowProc(hwnd, message, wParam, lParam);
        },
        "gather", 0);
    ASSERT_NE(window, nullptr);
    win::CThread sender;
    ASSERT_TRUE(sender.Create([window] {
        win::SendMessage(window, kTestMessage, 0, 0);
        return win::DWORD{0};
    }));
    // Far longer than the test needs: a gathering that serves no send runs it out.
    constexpr win::DWORD kLongGatherMs = 20000;
    const auto start = std::chrono::steady_clock::now();
    while (!served && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        kivterm::GatherPostedMessages(kLongGatherMs);
        EXPECT_TRUE(served) << "the gathering ended without serving the send";
    }
    EXPECT_EQ(win::WaitForSingleObject(sender.Handle(), 10000), win::WAIT_OBJECT_0);
    win::DestroyWindow(window);
}

TEST(TerminalBrowserHostTest, APagelessBrowserWhoseQuitEndsTheLoop) {
    CapturedTerminal terminal;
    kivterm::CTerminalConsole console(terminal.Io());
    kivterm::CTerminalLauncher launcher(console);
    kivterm::CTerminalBrowserHost browser(launcher);

    EXPECT_TRUE(browser.OpenBrowserWindow("https://support.example/"));
    EXPECT_TRUE(launcher.Launch({"player", "/Play", "/d/a b.wmv"}));
    EXPECT_EQ(terminal.Err(), "https://support.example/\nplayer /Play /d/a b.wmv\n");
    EXPECT_EQ(terminal.Out(), "");

    EXPECT_TRUE(browser.Quit());
    win::MSG msg;
    EXPECT_EQ(win::GetMessage(&msg), 0);  // the quit request, nothing else
    EXPECT_TRUE(browser.QuitRequested());
}

class TerminalSessionTest : public ::testing::Test {
protected:
    TerminalSessionTest() {
        std::filesystem::create_directories(root_.Native("downloads"));
        std::filesystem::create_directories(root_.Native("runtime"));
        win::OverrideLanguage(win::Language::English);
        env::TheApp().ResetForTests();
        timings_.completionPauseMs = 20;
        timings_.teardownPollMs = 10;
        timings_.transfer.retryPauseMs = 10;
        timings_.transfer.resetPauseMs = 10;
    }
    ~TerminalSessionTest() override {
        server_.Stop();
        env::TheApp().ResetForTests();
        win::ResetLanguage();
    }

    // Item i on servers[i] when given, else on the fixture's server.
    CParamTagBag Page(const std::vector<std::string>& contents,
                      const std::vector<const kivtest::CannedServer*>& servers = {}) {
        CParamTagBag page;
        page.Add("contentscount", std::to_string(contents.size()));
        for (std::size_t i = 0; i < contents.size(); ++i) {
            const std::string number = std::to_string(i + 1);
            const kivtest::CannedServer& server = servers.empty() ? server_ : *servers[i];
            page.Add("curl" + number, server.Url("/files/f" + number + ".bin"));
            page.Add("hash" + number, Sha256Hex(contents[i]));
        }
        return page;
    }

    std::string Downloads(const std::string& name = {}) const {
        return name.empty() ? root_.Native("downloads") : root_.Native("downloads/" + name);
    }

    envtest::TempFolder root_;
    envtest::ScopedEnvVar cache_{"XDG_CACHE_HOME", root_.Native("cache")};
    envtest::ScopedEnvVar state_{"XDG_STATE_HOME", root_.Native("state")};
    envtest::ScopedEnvVar config_{"XDG_CONFIG_HOME", root_.Native("config")};
    envtest::ScopedEnvVar runtime_{"XDG_RUNTIME_DIR", root_.Native("runtime")};
    envtest::ScopedEnvVar httpProxy_{"http_proxy", std::nullopt};
    envtest::ScopedEnvVar allProxy_{"all_proxy", std::nullopt};
    kivtest::CannedServer server_;
    ControlTimings timings_;
};

TEST_F(TerminalSessionTest, ThreeFilesArriveVerifiedAndTheFolderIsPrinted) {
    const std::vector<std::string> contents = {std::string(70000, 'a'), "second file",
                                               std::string(3000, 'c')};
    // A server per file: the requests of several files travel together.
    kivtest::CannedServer servers[3];
    for (std::size_t i = 0; i < contents.size(); ++i) {
        servers[i].ServeContent(contents[i], kLastModified);
    }
    CapturedTerminal terminal;  // nobody to ask, output to a log
    TerminalOptions options;
    options.destination = Downloads();
    CTerminalSession session(terminal.Io(), options);

    EXPECT_EQ(session.Run(kivterm::LinkedControl(timings_),
                          Page(contents, {&servers[0], &servers[1], &servers[2]})),
              kExitSuccess);
    for (std::size_t i = 0; i < contents.size(); ++i) {
        EXPECT_EQ(ReadFile(Downloads("f" + std::to_string(i + 1) + ".bin")), contents[i]);
    }
    // The standard output is the summary alone; the run's account is on the error output.
    const std::string out = terminal.Out();
    EXPECT_EQ(out.substr(0, out.find("Downloaded: ")),
              "f1.bin   68K  SHA-256 verified  " + Downloads("f1.bin") + "\n" +
                  "f2.bin   11B  SHA-256 verified  " + Downloads("f2.bin") + "\n" +
                  "f3.bin  2.9K  SHA-256 verified  " + Downloads("f3.bin") + "\n")
        << out;
    EXPECT_NE(out.find("\nDownloaded: 3 files, 71K in "), std::string::npos) << out;
    const std::string err = terminal.Err();
    for (const char* line :
         {"Select the download folder.\n", "(3/3) Downloading f3.bin (2.9K) from ",
          "Done: f2.bin, 11B received in ", "Verified: f3.bin (SHA-256)\n",
          "The download completed successfully.\n"}) {
        EXPECT_NE(err.find(line), std::string::npos) << line << "\n" << err;
    }
    EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;  // no terminal, no escapes
    EXPECT_TRUE(err.ends_with("The download completed successfully.\n" + Downloads() + "\n"))
        << err;
}

TEST_F(TerminalSessionTest, QuietShowsOnlyErrorsAndTheSummary) {
    const std::string content(3000, 'q');
    server_.ServeContent(content, kLastModified);
    CapturedTerminal terminal;
    TerminalOptions options;
    options.destination = Downloads();
    options.quiet = true;
    CTerminalSession session(terminal.Io(), options);

    EXPECT_EQ(session.Run(kivterm::LinkedControl(timings_), Page({content})), kExitSuccess);
    EXPECT_EQ(terminal.Err(), "");
    EXPECT_TRUE(terminal.Out().starts_with("f1.bin  2.9K  SHA-256 verified  ")) << terminal.Out();
}

TEST_F(TerminalSessionTest, ARunThatFailsBeforeItsDialogStillEndsWithTheMessage) {
    CParamTagBag page;
    page.Add("contentscount", "1");
    page.Add("curl1", "not a url");
    CapturedTerminal terminal;
    CTerminalSession session(terminal.Io(), TerminalOptions{});

    EXPECT_EQ(session.Run(kivterm::LinkedControl(timings_), page), kExitFailure);
    EXPECT_NE(terminal.Err().find("curl1"), std::string::npos) << terminal.Err();
    EXPECT_NE(terminal.Err().find("[D:200]"), std::string::npos) << terminal.Err();
    EXPECT_EQ(terminal.Out(), "");
}

// With nobody to choose another folder the run has failed, and says where and why.
TEST_F(TerminalSessionTest, AnUnwritableDestinationUnattendedIsAFailureNotALoop) {
    server_.ServeContent("content", kLastModified);
    CapturedTerminal terminal;
    TerminalOptions options;
    options.destination = "/proc";  // a folder nobody may write to, not even root
    CTerminalSession session(terminal.Io(), options);

    EXPECT_EQ(session.Run(kivterm::LinkedControl(timings_), Page({"content"})), kExitFailure);
    const std::string expected =
        "Select the download folder.\n/proc\n"
        "Specify a writable path.\n"
        "Select the download folder.\nCancel\n"
        "Cancel file download?\nYes / No [Y/n]: Yes\n"
        "Download has been cancelled.\n"
        "kiv-downloader: cannot download into /proc: ";
    EXPECT_TRUE(terminal.Err().starts_with(expected)) << terminal.Err();
    // Root passes the permission check that refuses a normal user.
    EXPECT_TRUE(terminal.Err().ends_with(envtest::RunningAsRoot()
                                             ? "it does not take new files\n"
                                             : "Permission denied\n"))
        << terminal.Err();
    EXPECT_EQ(terminal.Out(), "");  // no file started: no summary
    EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(TerminalSessionTest, CtrlCDuringTheTransferCancelsTheRun) {
    const std::string content(100000, 'x');
    server_.Enqueue(kivtest::CannedResponse::File(content, kLastModified));
    kivtest::CannedResponse stalled = kivtest::CannedResponse::File(content, kLastModified);
    stalled.stallAfter = 60000;  // more than a read's worth arrives before the stall
    stalled.stallMs = -1;
    server_.Enqueue(stalled);
    CapturedTerminal terminal;  // nobody to ask: the first Ctrl+C cancels
    TerminalOptions options;
    options.destination = Downloads();
    CTerminalSession session(terminal.Io(), options);

    termtest::AskingThread user([&] {
        // Bytes have reached the disk (under whatever name the partial file has).
        const auto written = [&] {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(Downloads(), error)) {
                if (entry.is_regular_file(error) && entry.file_size(error) > 0) return true;
            }
            return false;
        };
        const bool started = termtest::WaitUntil(
            [&] { return server_.Requests().size() == 2 && written(); });
        ::kill(::getpid(), SIGINT);
        return started ? 1 : 0;
    });
    EXPECT_EQ(session.Run(kivterm::LinkedControl(timings_), Page({content})), kExitCancelled);
    EXPECT_EQ(user.Result(), 1);
    EXPECT_TRUE(terminal.Err().ends_with("Download has been cancelled.\n")) << terminal.Err();
    // The partial bytes stay in the hidden part file, which the summary names.
    EXPECT_TRUE(terminal.Out().starts_with("f1.bin  98K  incomplete  " +
                                           Downloads(".f1.bin.kivpart") +
                                           "\nDownloaded: 0 files, "))
        << terminal.Out();
    // The bytes that came before the stall count, though the file did not end.
    EXPECT_EQ(terminal.Out().find("Downloaded: 0 files, 0B in "), std::string::npos)
        << terminal.Out();
}

// The program itself, with the control from its module.
TEST_F(TerminalSessionTest, TheProgramDownloadsInTheTerminalAndPrintsTheFolder) {
    const std::string content(5000, 'p');
    server_.ServeContent(content, kLastModified);
    const hosttest::ProgramResult result = hosttest::RunProgram(
        {"--terminal", "--destination", Downloads(), "--param", "contentscount=1", "--param",
         "curl1=" + server_.Url("/files/f1.bin"), "--param", "hash1=" + Sha256Hex(content)},
        {"XDG_CONFIG_HOME=" + root_.Native("config"), "XDG_RUNTIME_DIR=" + root_.Native("runtime"),
         "XDG_CACHE_HOME=" + root_.Native("cache"), "XDG_STATE_HOME=" + root_.Native("state"),
         "LANG=C", "LC_ALL", "LC_MESSAGES", "http_proxy", "all_proxy"});

    EXPECT_EQ(result.exitStatus, kExitSuccess) << result.err;
    EXPECT_TRUE(ReadFile(Downloads("f1.bin")) == content);
    const std::string ending = "The download completed successfully.\n" + Downloads() + "\n";
    EXPECT_TRUE(result.err.ends_with(ending)) << result.err;
    EXPECT_TRUE(result.out.starts_with("f1.bin  4.9K  SHA-256 verified  " + Downloads("f1.bin") +
                                       "\nDownloaded: 1 file, 4.9K in "))
        << result.out;
}

// The program with its error output on a pseudo-terminal and its standard
// output into a pipe, as `kiv-downloader ... | head` runs it.
struct PtyRun {
    int exitStatus = -1;
    std::string terminal;  // what the pseudo-terminal showed
    std::string out;       // what went into the pipe
};

PtyRun RunOnPseudoTerminal(const std::vector<std::string>& args,
                           const std::vector<std::string>& environment) {
    PtyRun run;
    int outPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) return run;
    std::vector<std::string> argv{KIV_DOWNLOADER_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argvPointers;
    for (std::string& arg : argv) argvPointers.push_back(arg.data());
    argvPointers.push_back(nullptr);
    std::vector<std::string> env = environment;
    std::vector<char*> envPointers;
    for (std::string& entry : env) envPointers.push_back(entry.data());
    envPointers.push_back(nullptr);
    winsize size{};
    size.ws_col = 60;
    size.ws_row = 24;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {  // only async-signal-safe calls until exec
        ::dup2(outPipe[1], 1);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::execve(argvPointers[0], argvPointers.data(), envPointers.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    pollfd fds[2] = {{master, POLLIN, 0}, {outPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.terminal, &run.out};
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(fds, 2, 100) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char bytes[4096];
            const ssize_t count = ::read(fds[i].fd, bytes, sizeof bytes);
            if (count > 0) {
                sinks[i]->append(bytes, static_cast<std::size_t>(count));
            } else {  // the end of the pipe, or EIO once the terminal's last user left
                fds[i].fd = -1;
                --open;
            }
        }
    }
    if (open > 0) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (open == 0 && WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    ::close(master);
    ::close(outPipe[0]);
    return run;
}

TEST_F(TerminalSessionTest, OnAPseudoTerminalTheDisplayIsLiveAndOnlyTheSummaryIsPiped) {
    const std::string content(300000, 'p');
    server_.ServeContent(content, kLastModified);
    std::vector<std::string> environment = {"PATH=/usr/bin:/bin",
                                            "HOME=" + root_.Native("home"),
                                            "TERM=xterm",
                                            "LANG=C.UTF-8",
                                            "XDG_CONFIG_HOME=" + root_.Native("config"),
                                            "XDG_RUNTIME_DIR=" + root_.Native("runtime"),
                                            "XDG_CACHE_HOME=" + root_.Native("cache"),
                                            "XDG_STATE_HOME=" + root_.Native("state")};
    const PtyRun run = RunOnPseudoTerminal(
        {"--terminal", "-d", Downloads(), "--param", "contentscount=1", "--param",
         "curl1=" + server_.Url("/files/f1.bin"), "--param", "hash1=" + Sha256Hex(content)},
        environment);

    EXPECT_EQ(run.exitStatus, kExitSuccess) << run.terminal;
    EXPECT_EQ(run.out, "f1.bin  293K  SHA-256 verified  " + Downloads("f1.bin") + "\n" +
                           run.out.substr(run.out.find("Downloaded: ")));
    EXPECT_TRUE(run.out.ends_with("\n") &&
                run.out.find("Downloaded: 1 file, 293K in ") != std::string::npos)
        << run.out;
    // The display was drawn and taken away in place; the log's lines stay.
    EXPECT_NE(run.terminal.find("\x1b[K"), std::string::npos) << run.terminal;
    EXPECT_NE(run.terminal.find("F\x1b[J"), std::string::npos) << run.terminal;
    EXPECT_NE(run.terminal.find("(1/1) Downloading f1.bin (293K) from "), std::string::npos);
    EXPECT_NE(run.terminal.find("Verified: f1.bin (SHA-256)"), std::string::npos);
    EXPECT_EQ(run.terminal.find("Downloaded: "), std::string::npos);
}

}  // namespace

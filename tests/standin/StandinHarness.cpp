#include "tests/standin/StandinHarness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "assistant/AssistantIds.h"
#include "control/ControlIds.h"
#include "platform/FifoEvents.h"
#include "platform/LittleEndian.h"
#include "platform/NamedEventBackend.h"
#include "platform/NativePath.h"
#include "tests/platform/WindowTestSupport.h"

using kivassistant::AssistantBytes;
using kivassistant::BuildContentItemRecord;
using kivassistant::BuildContentListRecord;
using kivassistant::BuildGreetingRecord;
using kivassistant::BuildPlaceFileRecord;
using kivassistant::BuildWorkFile;
using kivassistant::ContentItemRecord;
using kivassistant::kAssistantWorkFileName;
using kivassistant::kContentListRequest;
using kivassistant::kGreetingRequest;
using kivassistant::kPlaceFileRequest;

extern char** environ;

namespace standintest {

namespace {

namespace fs = std::filesystem;

// After the expected replies: long enough for a surplus reply to show.
constexpr win::DWORD kGraceMs = 300;
constexpr win::DWORD kReplyBoundMs = 10000;

void MakeFolder(const std::string& path) {
    std::error_code ignored;
    fs::create_directories(path, ignored);
}

}  // namespace

std::optional<std::uint32_t> Reply::Number() const {
    if (bytes.size() < 4) return std::nullopt;
    return win::GetLE32(reinterpret_cast<const std::uint8_t*>(bytes.data()));
}

StandinHarness::StandinHarness() {
    EXPECT_FALSE(root_.Path().empty());
    const std::pair<const char*, const char*> folders[] = {
        {"XDG_RUNTIME_DIR", "run"},
        {"XDG_CACHE_HOME", "cache"},
        {"XDG_CONFIG_HOME", "config"},
        {"XDG_STATE_HOME", "state"},
        {"HOME", "home"},
    };
    for (const auto& [name, relative] : folders) {
        environment_.push_back(std::make_unique<coretest::ScopedEnv>(name, Folder(relative)));
    }
    for (const char* name : {"KIVDL_DESTINATION", "KIVDL_EXISTING"}) {
        environment_.push_back(std::make_unique<coretest::ScopedEnv>(name, nullptr));
    }
    EXPECT_TRUE(win::InstallFifoEventBackend());
    // As the control makes them before it starts the assistant.
    EXPECT_TRUE(request_.Create(false, false, kRequestEventName));
    EXPECT_TRUE(cancel_.Create(true, false, kCancelEventName));
    window_ = win::CreateWindow(
        [this](win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            if (message != win::WM_COPYDATA)
                return win::DefWindowProc(hwnd, message, wParam, lParam);
            const auto* record = reinterpret_cast<const win::COPYDATASTRUCT*>(lParam);
            Reply reply{record->dwData, record->lpData != nullptr, {}};
            if (record->lpData != nullptr) {
                reply.bytes.assign(static_cast<const char*>(record->lpData), record->cbData);
            }
            replies_.push_back(std::move(reply));
            return win::LRESULT{1};
        },
        "reply window", 0);
    EXPECT_NE(window_, nullptr);
    EXPECT_TRUE(receiver_.Open(window_));
}

StandinHarness::~StandinHarness() {
    if (child_ > 0) {
        ::kill(child_, SIGKILL);
        ::waitpid(child_, nullptr, 0);
    }
    DestroyReplyWindow();
    if (terminal_ >= 0) ::close(terminal_);
    request_.Close();
    cancel_.Close();
    win::SetNamedEventBackend(nullptr);
}

std::string StandinHarness::Folder(const std::string& relative) const {
    const std::string path = root_.Path() + "/" + relative;
    MakeFolder(path);
    return path;
}

std::string StandinHarness::WindowsForm(const std::string& native) {
    std::string windows;
    EXPECT_TRUE(win::FromNativePath(native, windows)) << native;
    return windows;
}

bool StandinHarness::Start(const std::map<std::string, std::string>& environment) {
    return Spawn(environment, "/dev/null");
}

bool StandinHarness::StartOnTerminal(const std::map<std::string, std::string>& environment,
                                     bool inputRedirected) {
    terminal_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal_ < 0 || ::grantpt(terminal_) != 0 || ::unlockpt(terminal_) != 0) return false;
    const char* slave = ::ptsname(terminal_);
    // Opened after the new session began, the terminal becomes its controlling one.
    if (slave == nullptr) return false;
    return inputRedirected ? Spawn(environment, "/dev/null", slave) : Spawn(environment, slave);
}

std::string StandinHarness::AwaitTerminalText(const std::string& text) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyBoundMs);
    while (shown_.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd ready{terminal_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            return {};
        }
        char buffer[512];
        const ssize_t got = ::read(terminal_, buffer, sizeof buffer);
        if (got <= 0) return {};
        shown_.append(buffer, static_cast<std::size_t>(got));
    }
    // What follows the text stays for the next call.
    const std::size_t end = shown_.find(text) + text.size();
    std::string seen = shown_.substr(0, end);
    shown_.erase(0, end);
    return seen;
}

void StandinHarness::TypeOnTerminal(const std::string& line) {
    const std::string typed = line + "\n";
    ASSERT_EQ(::write(terminal_, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
}

bool StandinHarness::Spawn(const std::map<std::string, std::string>& environment,
                           const std::string& input, const std::string& terminal) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (environment.count(text.substr(0, text.find('='))) == 0) entries.push_back(text);
    }
    for (const auto& [name, value] : environment) entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (!terminal.empty()) posix_spawn_file_actions_addopen(&files, 3, terminal.c_str(), O_RDWR, 0);
    posix_spawn_file_actions_addopen(&files, 0, input.c_str(), O_RDWR, 0);
    const std::string errors = root_.Path() + "/stderr.txt";
    posix_spawn_file_actions_addopen(&files, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own: no controlling terminal but the test's own, if any.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    char* argv[] = {const_cast<char*>(KIV_STANDIN_PATH), nullptr};
    const int failed =
        posix_spawn(&child_, KIV_STANDIN_PATH, &files, &attributes, argv, envp.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) child_ = -1;
    return failed == 0;
}

bool StandinHarness::Running() {
    return child_ > 0 && ::waitpid(child_, nullptr, WNOHANG) == 0;
}

std::optional<int> StandinHarness::AwaitExit(unsigned boundMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    int status = 0;
    while (child_ > 0) {
        const pid_t done = ::waitpid(child_, &status, WNOHANG);
        if (done == child_) {
            child_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 || std::chrono::steady_clock::now() >= until) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

std::string StandinHarness::ErrorOutput() const {
    std::ifstream in(root_.Path() + "/stderr.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void StandinHarness::Send(std::uint32_t kind, const AssistantBytes& record) {
    SendBytes(BuildWorkFile(kind, record));
}

void StandinHarness::SendBytes(const AssistantBytes& workFile) {
    const std::string folder = Folder("cache/Temp/Low");
    std::ofstream out(folder + "/" + kAssistantWorkFileName, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(workFile.data()),
              static_cast<std::streamsize>(workFile.size()));
    out.close();
    ASSERT_TRUE(out.good());
    ASSERT_TRUE(request_.Set());
}

void StandinHarness::Greet() {
    Send(kGreetingRequest, BuildGreetingRecord(0x1234, win::WindowToUInt32(window_)));
}

void StandinHarness::SendContentList(const std::vector<std::string>& names) {
    std::vector<ContentItemRecord> items;
    for (const std::string& name : names) {
        items.push_back(BuildContentItemRecord(name, "http://127.0.0.1/" + name));
    }
    Send(kContentListRequest,
         BuildContentListRecord("Caption", kContentListIdentifier, "Z:\\version.csv", items));
}

void StandinHarness::SendPlaceFile(const std::string& sourceNative,
                                   const std::string& destinationNative) {
    Send(kPlaceFileRequest,
         BuildPlaceFileRecord(WindowsForm(sourceNative), WindowsForm(destinationNative)));
}

std::vector<Reply> StandinHarness::AwaitReplies(std::size_t count) {
    EXPECT_TRUE(wintest::PumpUntil([&] { return replies_.size() >= count; }, kReplyBoundMs))
        << "replies so far: " << replies_.size() << "; stand-in said: " << ErrorOutput();
    wintest::PumpUntil([] { return false; }, kGraceMs);
    return replies_;
}

bool StandinHarness::AwaitCancel() {
    return cancel_.Wait(kReplyBoundMs) == win::WAIT_OBJECT_0;
}

void StandinHarness::DestroyReplyWindow() {
    receiver_.Close();
    if (window_ != nullptr && win::IsWindow(window_)) win::DestroyWindow(window_);
    window_ = nullptr;
}

}  // namespace standintest

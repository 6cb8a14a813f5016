#include "tests/host/HostTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/RegKey.h"
#include "platform/Registry.h"

extern char** environ;

namespace hosttest {

std::optional<std::string> ReadRegistryString(const std::string& key,
                                              const std::string& valueName) {
    win::HKEY opened = nullptr;
    if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, key, win::KEY_READ, &opened) != 0) {
        return std::nullopt;
    }
    win::CRegKey handle(opened);
    win::DWORD type = 0;
    win::DWORD size = 0;
    if (win::RegQueryValueEx(handle.Get(), valueName, &type, nullptr, &size) != 0 ||
        type != win::REG_SZ) {
        return std::nullopt;
    }
    std::string data(size, '\0');
    if (win::RegQueryValueEx(handle.Get(), valueName, &type,
                             reinterpret_cast<win::BYTE*>(data.data()), &size) != 0) {
        return std::nullopt;
    }
    // Stored with its terminator, as Windows stores REG_SZ.
    if (data.empty() || data.back() != '\0') return "<no terminator>" + data;
    data.pop_back();
    return data;
}

bool RegistryKeyExists(const std::string& key) {
    win::HKEY opened = nullptr;
    if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, key, win::KEY_READ, &opened) != 0) return false;
    win::RegCloseKey(opened);
    return true;
}

void WriteRegistryString(const std::string& key, const std::string& valueName,
                         const std::string& text) {
    win::HKEY opened = nullptr;
    ASSERT_EQ(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, key, win::REG_OPTION_NON_VOLATILE,
                                  win::KEY_ALL_ACCESS, &opened),
              0);
    win::CRegKey handle(opened);
    ASSERT_EQ(win::RegSetValueEx(handle.Get(), valueName, win::REG_SZ,
                                 reinterpret_cast<const win::BYTE*>(text.c_str()),
                                 static_cast<win::DWORD>(text.size() + 1)),
              0);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file << bytes;
    ASSERT_TRUE(file.good()) << path;
}

std::string ModulePath() {
    return KIV_CONTROL_MODULE_PATH;
}

std::string CanonicalModulePath() {
    return std::filesystem::canonical(ModulePath()).string();
}

namespace {

std::vector<std::string> Environment(const std::vector<std::string>& overrides) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) entries.emplace_back(*entry);
    for (const std::string& change : overrides) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(entries, [&](const std::string& e) { return e.starts_with(name + "="); });
        if (change.find('=') != std::string::npos) entries.push_back(change);
    }
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Reads both pipes until they close or the deadline passes.
bool Drain(int outFd, int errFd, ProgramResult& result, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t count = read(fds[i].fd, buffer, sizeof buffer);
            if (count > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(count));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& args,
                         const std::vector<std::string>& overrides, int timeoutMs) {
    ProgramResult result;
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Nobody to ask, whatever terminal the tests run in.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<std::string> argv{KIV_DOWNLOADER_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = Environment(overrides);
    std::vector<char*> argvPointers = Pointers(argv);
    std::vector<char*> envPointers = Pointers(env);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argvPointers[0], &actions, nullptr, argvPointers.data(),
                                    envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned == 0) {
        const bool ended = Drain(outPipe[0], errPipe[0], result, timeoutMs);
        if (!ended) kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        if (ended && WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    }
    close(outPipe[0]);
    close(errPipe[0]);
    return result;
}

}  // namespace hosttest

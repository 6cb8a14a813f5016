#include "control/ProcessLauncher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxOutputBytes = 64 * 1024;

// Signals whose handling the host may have changed and a child must not keep.
constexpr int kDefaultSignals[] = {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP};

std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// Spawn attributes: a clean signal state and, for launched programs, a
// session of their own, so they outlive the host's terminal or process group.
class SpawnAttributes {
public:
    explicit SpawnAttributes(bool ownSession) {
        posix_spawnattr_init(&attributes_);
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (int signal : kDefaultSignals) sigaddset(&defaults, signal);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &defaults);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (ownSession) flags |= POSIX_SPAWN_SETSID;
        posix_spawnattr_setflags(&attributes_, flags);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* Get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

class SpawnFileActions {
public:
    SpawnFileActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

pid_t Spawn(const std::vector<std::string>& argv, const posix_spawn_file_actions_t* actions,
            const SpawnAttributes& attributes) {
    if (argv.empty() || argv.front().empty()) return -1;
    std::vector<char*> pointers = ArgumentPointers(argv);
    pid_t child = -1;
    if (posix_spawnp(&child, pointers[0], actions, attributes.Get(), pointers.data(), environ) !=
        0) {
        return -1;
    }
    return child;
}

void WaitForChild(pid_t child) {
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Reads until end of file, the size cap or the deadline; false on time-out.
bool ReadUntilEnd(int fd, Clock::time_point deadline, std::string& output) {
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd readable{fd, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        output.append(buffer, static_cast<std::size_t>(got));
        if (output.size() > kMaxOutputBytes) return false;
    }
}

// The child's exit status once it ends before the deadline; -1 otherwise
// (it is then killed). The child is reaped either way.
int ExitStatusBy(pid_t child, Clock::time_point deadline) {
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (ended < 0 && errno != EINTR) return -1;
        if (Clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(child, SIGKILL);
    WaitForChild(child);
    return -1;
}

}  // namespace

bool CProcessLauncher::Launch(const std::vector<std::string>& argv) {
    const SpawnAttributes attributes(true);
    const pid_t child = Spawn(argv, nullptr, attributes);
    if (child < 0) return false;
    try {
        std::thread(WaitForChild, child).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the child ends as a zombie until we exit, which
        // is still better than not starting it.
    }
    return true;
}

bool RunForOutput(const std::vector<std::string>& argv, unsigned timeoutMs, std::string& output) {
    output.clear();
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
    SpawnFileActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.Get(), pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(actions.Get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const pid_t child = Spawn(argv, actions.Get(), SpawnAttributes(false));
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        return false;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const bool complete = ReadUntilEnd(pipeEnds[0], deadline, output);
    close(pipeEnds[0]);
    const int status = ExitStatusBy(child, complete ? deadline : Clock::now());
    return complete && status == 0;
}

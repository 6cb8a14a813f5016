#include "control/ProcessLauncher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "platform/ProcessSpawn.h"

namespace kivcontrol {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxOutputBytes = 64 * 1024;

// argv[0] is looked up in PATH unless it holds a slash.
pid_t Spawn(const std::vector<std::string>& argv, const win::detail::SpawnOptions& options) {
    if (argv.empty() || argv.front().empty()) return -1;
    const win::detail::ChildProgram program{argv.front(), true};
    pid_t child = -1;
    if (win::detail::SpawnChild(program, argv, child, options) != 0) return -1;
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
    const pid_t child = Spawn(argv, {.ownSession = true});
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
    const pid_t child = Spawn(argv, {.outputDescriptor = pipeEnds[1]});
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

}  // namespace kivcontrol

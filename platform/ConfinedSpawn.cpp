#include "platform/ConfinedSpawn.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace win {

namespace {

constexpr int kCannotStart = 127;

// Only async-signal-safe calls from here on: the caller may have threads.
[[noreturn]] void BecomeConfined(char* const* argv, int channel, int nullFd, int ruleset) {
    if (setsid() < 0) _exit(kCannotStart);
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) _exit(kCannotStart);
    if (ruleset >= 0 && syscall(SYS_landlock_restrict_self, ruleset, 0) != 0) _exit(kCannotStart);
    // Both are moved above the standard ones and 3 first, so no dup2 below
    // can overwrite the other.
    const int high = fcntl(channel, F_DUPFD, 10);
    const int quiet = fcntl(nullFd, F_DUPFD, 10);
    if (high < 0 || quiet < 0 || dup2(high, kConfinedChannelFd) < 0) _exit(kCannotStart);
    for (int standard = 0; standard <= 2; ++standard) {
        if (dup2(quiet, standard) < 0) _exit(kCannotStart);
    }
    syscall(SYS_close_range, kConfinedChannelFd + 1, ~0U, 0);
    execv(argv[0], argv);
    _exit(kCannotStart);
}

}  // namespace

pid_t SpawnConfined(const std::vector<std::string>& argv, int childChannel, int landlockRuleset) {
    if (argv.empty()) {
        errno = EINVAL;
        return -1;
    }
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    const int nullFd = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nullFd < 0) return -1;
    const pid_t child = fork();
    if (child == 0) BecomeConfined(arguments.data(), childChannel, nullFd, landlockRuleset);
    const int error = errno;
    close(nullFd);
    errno = error;
    return child;
}

}  // namespace win

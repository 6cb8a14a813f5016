#include "platform/CrashPoint.h"

#ifdef KIV_CRASH_POINTS
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

namespace win {

namespace {

struct CrashPlan {
    long long stopAt = 0;  // 0: never
    int log = -1;
};

const CrashPlan& Plan() {
    static const CrashPlan plan = [] {
        CrashPlan made;
        if (const char* at = std::getenv("KIV_CRASH_AT")) made.stopAt = std::atoll(at);
        if (const char* log = std::getenv("KIV_CRASH_LOG")) {
            made.log = ::open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
        }
        return made;
    }();
    return plan;
}

std::atomic<long long> steps{0};

// Read at load time: a confined worker thread could not open the log later.
[[maybe_unused]] const CrashPlan& kPlanAtLoad = Plan();

}  // namespace

void CrashPoint() {
    const CrashPlan& plan = Plan();
    const long long step = ++steps;
    if (plan.stopAt == step) ::kill(::getpid(), SIGKILL);
    if (plan.log >= 0) {
        const std::string line = std::to_string(step) + "\n";
        [[maybe_unused]] const ssize_t written = ::write(plan.log, line.data(), line.size());
    }
}

}  // namespace win
#endif

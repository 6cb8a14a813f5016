#include "platform/ProcessObject.h"

#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <exception>
#include <thread>

#include "platform/KernelCore.h"
#include "platform/LastError.h"

namespace win::detail {

namespace {

// Reported when the end was seen but its status was taken by someone else
// (a SIGCHLD set to SIG_IGN reaps children by itself).
constexpr DWORD kUnknownExitCode = 255;
constexpr DWORD kSignalBase = 128;

DWORD ExitCodeOf(const siginfo_t& info) {
    if (info.si_code == CLD_EXITED) return static_cast<DWORD>(info.si_status);
    return kSignalBase + static_cast<DWORD>(info.si_status);
}

void Reap(pid_t pid) {
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Waits for exactly this child, never for others (waitpid(-1) would steal
// the children of other code in the process).
void WatchChild(const std::shared_ptr<ProcessObject>& process,
                const std::shared_ptr<PrimaryThreadObject>& thread) {
    const pid_t pid = process->State().pid;
    siginfo_t info{};
    int result = 0;
    do {
        // WNOWAIT leaves a zombie behind: the pid stays ours until `ended` is set.
        result = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    } while (result < 0 && errno == EINTR);
    {
        KernelLock lock(KernelMutex());
        ChildState& state = process->State();
        state.exitCode = result == 0 ? ExitCodeOf(info) : kUnknownExitCode;
        state.ended = true;
        process->WakeAll();
        thread->WakeAll();
    }
    if (result == 0) Reap(pid);
}

}  // namespace

bool AdoptChild(pid_t pid, HANDLE& process, HANDLE& thread) {
    auto state = std::make_shared<ChildState>(pid);
    auto processObject = std::make_shared<ProcessObject>(state);
    auto threadObject = std::make_shared<PrimaryThreadObject>(state);
    try {
        std::thread([processObject, threadObject] {
            WatchChild(processObject, threadObject);
        }).detach();
    } catch (const std::exception&) {  // std::system_error, std::bad_alloc
        kill(pid, SIGKILL);
        Reap(pid);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    KernelLock lock(KernelMutex());
    process = InsertHandle(processObject);
    thread = InsertHandle(threadObject);
    return true;
}

}  // namespace win::detail

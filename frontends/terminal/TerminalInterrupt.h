#pragma once
// The signals that stop a run, for both front ends: Ctrl+C (SIGINT) and the
// requests to end (SIGTERM, SIGHUP: a shutdown, a closed terminal). The
// handler only writes one byte into a pipe (the self-pipe); a watcher thread
// reads it and calls the matching handler given to Start outside signal
// context, where it may lock, post window messages and set events. One
// instance per process at a time.
//
// Escape hatch: once the run's cancel has been signalled (ArmImmediateExit),
// a further stop signal is not queued but ends the process the default way,
// so a run that does not wind down can always be stopped. A terminal mode
// kept for the exit (KeepTerminalModeForExit) is put back first.
#include <termios.h>

#include <functional>
#include <thread>

namespace kivterm {

class CTerminalInterrupt {
public:
    CTerminalInterrupt() = default;
    ~CTerminalInterrupt();
    CTerminalInterrupt(const CTerminalInterrupt&) = delete;
    CTerminalInterrupt& operator=(const CTerminalInterrupt&) = delete;

    // Installs the handlers (the previous actions are kept for Stop) and
    // starts the watcher: `onInterrupt` for SIGINT, `onTerminate` for SIGTERM
    // and SIGHUP. A signal whose handler is empty keeps its action. False
    // when another instance is active or a pipe, a handler or the thread
    // cannot be had.
    bool Start(std::function<void()> onInterrupt, std::function<void()> onTerminate = {});
    // Restores the previous actions and ends the watcher; signals still in
    // the pipe are dropped. Also run by the destructor.
    void Stop();

    // From now on a stop signal terminates the process at once.
    static void ArmImmediateExit();
    static bool ImmediateExitArmed();

    // While typing is hidden: the mode of the terminal on `fd` to restore
    // should the process end by the escape hatch. Forget it once restored.
    static void KeepTerminalModeForExit(int fd, const termios& mode);
    static void ForgetTerminalMode();

private:
    void Watch();
    bool Install();

    std::function<void()> onInterrupt_;
    std::function<void()> onTerminate_;
    std::thread watcher_;
    int stopFd_ = -1;
    bool active_ = false;
};

}  // namespace kivterm

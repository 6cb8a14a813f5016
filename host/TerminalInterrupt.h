#pragma once
// Ctrl+C for the terminal front end. The SIGINT handler only writes one byte
// into a pipe (the self-pipe); a watcher thread reads it and calls the
// handler given to Start outside signal context, where it may lock, post
// window messages and set events. One instance per process at a time.
//
// Escape hatch: once the run's cancel has been signalled (ArmImmediateExit),
// a further Ctrl+C is not queued but ends the process the default way, so a
// run that does not wind down can always be stopped.
#include <functional>
#include <thread>

namespace kivterm {

class CTerminalInterrupt {
public:
    CTerminalInterrupt() = default;
    ~CTerminalInterrupt();
    CTerminalInterrupt(const CTerminalInterrupt&) = delete;
    CTerminalInterrupt& operator=(const CTerminalInterrupt&) = delete;

    // Installs the handler (the previous action is kept for Stop) and starts
    // the watcher. False when another instance is active or a pipe, the
    // handler or the thread cannot be had.
    bool Start(std::function<void()> onInterrupt);
    // Restores the previous SIGINT action and ends the watcher; interrupts
    // still in the pipe are dropped. Also run by the destructor.
    void Stop();

    // From now on Ctrl+C terminates the process at once.
    static void ArmImmediateExit();
    static bool ImmediateExitArmed();

private:
    void Watch();

    std::function<void()> onInterrupt_;
    std::thread watcher_;
    int stopFd_ = -1;
    bool active_ = false;
};

}  // namespace kivterm

#pragma once
// A terminal for tests: the outputs go to memory files the test reads back,
// the answers come from a pipe the test writes into (or there is no input).
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "frontends/terminal/TerminalIo.h"
#include "platform/WindowTypes.h"

namespace termtest {

class CapturedTerminal {
public:
    enum class Input { None, Scripted };
    // `isTerminal`: the error output is a terminal with a live display.
    explicit CapturedTerminal(Input input = Input::None, bool isTerminal = false,
                              std::size_t columns = 80);
    ~CapturedTerminal();
    CapturedTerminal(const CapturedTerminal&) = delete;
    CapturedTerminal& operator=(const CapturedTerminal&) = delete;

    const kivterm::TerminalIo& Io() const { return io_; }
    // Queues typed text; CloseInput is the end of input (Ctrl+D).
    void Type(const std::string& text);
    void CloseInput();

    std::string Out() const;
    std::string Err() const;
    std::string Prompts() const;

private:
    kivterm::TerminalIo io_;
    int typeFd_ = -1;
};

// Longer than any correct step takes; a wait that reaches it is a failure.
constexpr int kBoundMs = 10000;

// Polls `done` (every few milliseconds) until true; false at the bound.
bool WaitUntil(const std::function<bool()>& done, int boundMs = kBoundMs);

// The top-level window of `thread` titled `title`, once it exists (null at the bound).
win::HWND WaitForWindow(win::DWORD thread, const std::string& title);

// Asks a question on a thread of its own, as the control's worker does.
class AskingThread {
public:
    explicit AskingThread(std::function<int()> ask);
    ~AskingThread();
    win::DWORD Id() const;
    // The answer; 0x7FFF when it did not come within the bound.
    int Result();

private:
    struct State {
        std::atomic<win::DWORD> id{0};
        std::promise<int> promise;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::future<int> result_;
    std::thread thread_;
};

}  // namespace termtest

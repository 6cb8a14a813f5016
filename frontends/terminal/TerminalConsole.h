#pragma once
// The terminal as the front end's windows share it: the live display (one
// or two lines at the bottom of a terminal, redrawn in place), lines of text
// above it, the summary on the standard output, and questions. Any thread
// may write or ask; one question is open at a time, and while it waits for
// its answer the asking thread keeps serving the messages sent to its
// windows, as a modal box's loop would. While a question is open the live
// display is taken away; it comes back below the answer.
#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "frontends/terminal/TerminalIo.h"
#include "frontends/terminal/TerminalText.h"
#include "platform/Mutex.h"

namespace kivterm {

// How a question's wait ended.
enum class WaitEnd {
    Answered,     // a line was read (ReadLine) or the time passed (Pause)
    Interrupted,  // Ctrl+C
    Closed,       // its window was dismissed or closed
    NoInput,      // the input has ended, or there is none
};

// One open question. Its window procedure closes it with the result the
// box ends with (the first close counts).
class CTerminalQuestionState {
public:
    void Interrupt() { interrupted_ = true; }
    void Close(int result) {
        int none = kOpen;
        closedResult_.compare_exchange_strong(none, result);
    }
    bool Interrupted() const { return interrupted_; }
    bool Closed() const { return closedResult_ != kOpen; }
    int ClosedResult() const { return closedResult_; }

private:
    static constexpr int kOpen = 0x7FFFFFFF;
    std::atomic<bool> interrupted_{false};
    std::atomic<int> closedResult_{kOpen};
};

class CTerminalConsole {
public:
    explicit CTerminalConsole(const TerminalIo& io);
    ~CTerminalConsole();
    CTerminalConsole(const CTerminalConsole&) = delete;
    CTerminalConsole& operator=(const CTerminalConsole&) = delete;

    const TerminalIo& Io() const { return io_; }
    bool LiveDisplay() const { return io_.liveDisplay; }
    std::size_t Columns() const { return TerminalColumns(io_); }
    // Someone can be asked: there is input and it has not ended.
    bool Interactive() const { return io_.in >= 0 && !inputEnded_; }

    // Output in UTF-8, each call in one piece, above the live display.
    // Control characters other than line ends and tabs are shown as text
    // (VisibleControls), here and in the display's lines, which keep no
    // line ends or tabs either.
    void WriteOut(std::string_view utf8);
    void WriteErr(std::string_view utf8);
    void WritePrompt(std::string_view utf8);
    // One line of the run's account (a line end is added); with Layout::Shown
    // its own line ends and tabs are shown as text, so it stays one line.
    void WriteLine(std::string_view utf8, Layout layout = Layout::Shown);

    // Replaces the live display's lines (cut to the width); nothing when the
    // error output is no live terminal. Kept aside while a question is open.
    void ShowLive(const std::vector<std::string>& lines);
    // Takes the live display away for good.
    void EndLive();

    // Questions. Begin waits (serving sends) until no other thread has one
    // open; a question asked on the same thread while one waits (through a
    // served send) nests inside it.
    void BeginQuestion(CTerminalQuestionState& question);
    void EndQuestion(CTerminalQuestionState& question);
    // Interrupts the innermost open question; false when none is open.
    bool InterruptQuestion();
    bool QuestionOpen() const;
    // Reads one line of the answer (without its line end).
    WaitEnd ReadLine(CTerminalQuestionState& question, std::string& line);
    // Waits `ms` unless interrupted or closed first.
    WaitEnd Pause(CTerminalQuestionState& question, unsigned ms);

private:
    void Write(int fd, std::string_view utf8);
    void EraseLiveLocked();
    void DrawLiveLocked();
    bool TakePendingLine(std::string& line);
    // One slice of waiting: input, the wake descriptor, then the sends.
    void WaitSlice(bool withInput);

    const TerminalIo io_;
    std::atomic<bool> inputEnded_{false};
    std::string pendingInput_;  // read but not yet answered; question holder only

    mutable std::mutex outputMutex_;
    std::vector<std::string> live_;  // the display's lines as given
    std::size_t liveDrawn_ = 0;      // lines of it on the screen, the cursor below them
    bool liveHidden_ = false;        // a question is open

    win::CMutex questionLock_;  // owned by the thread that has a question open
    mutable std::mutex questionsMutex_;
    std::vector<CTerminalQuestionState*> openQuestions_;
    int wakeFd_ = -1;
};

}  // namespace kivterm

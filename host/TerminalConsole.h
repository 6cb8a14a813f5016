#pragma once
// The terminal as the front end's windows share it: the live display's frame
// (redrawn in place), plain output, and questions. Any thread may ask a
// question; one is open at a time, and while it waits for its answer the
// asking thread keeps serving the messages sent to its windows, as a modal
// box's loop would. While a question is open the frame is left alone; the
// next frame starts below the question.
#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "host/TerminalIo.h"
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
    bool DrawsFrames() const { return io_.outIsTerminal; }
    std::size_t Columns() const { return TerminalColumns(io_); }
    // Someone can be asked: there is input and it has not ended.
    bool Interactive() const { return io_.in >= 0 && !inputEnded_; }

    // Output in UTF-8, each call in one piece. On a terminal the frame is
    // settled first, so the text appears below it. Control characters other
    // than line ends and tabs are shown as text (VisibleControls), here and
    // in the display's lines, which keep no line ends or tabs either.
    void WriteOut(std::string_view utf8);
    void WriteErr(std::string_view utf8);
    void WritePrompt(std::string_view utf8);

    // A plain line of the display itself (the display is not settled first).
    void WriteDisplayLine(std::string_view utf8);
    // The live display's source, called on the thread that set it when other
    // output is about to follow: on a terminal it renders the latest frame,
    // otherwise it gives the lines not printed yet, so that the display is
    // up to date before the text that follows it.
    void SetDisplaySource(std::function<std::vector<std::string>()> source);
    void ClearDisplaySource();
    // Redraws the frame in place (kept for later while a question is open).
    void ShowFrame(const std::vector<std::string>& lines);
    // Leaves the frame on the screen as it stands; the next one starts below.
    void EndFrame();

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
    void WriteLineLocked(std::string_view utf8);
    void SettleDisplayLocked();
    void DrawFrameLocked(const std::vector<std::string>& lines);
    bool TakePendingLine(std::string& line);
    // One slice of waiting: input, the wake descriptor, then the sends.
    void WaitSlice(bool withInput);

    const TerminalIo io_;
    std::atomic<bool> inputEnded_{false};
    std::string pendingInput_;  // read but not yet answered; question holder only

    mutable std::mutex outputMutex_;
    std::function<std::vector<std::string>()> displaySource_;
    win::DWORD displayOwner_ = 0;
    std::size_t frameLines_ = 0;           // lines of the frame the cursor is below; 0: none
    std::vector<std::string> drawnFrame_;  // what was drawn last
    std::vector<std::string> heldFrame_;   // drawn when the questions are over
    bool frameHeld_ = false;

    win::CMutex questionLock_;  // owned by the thread that has a question open
    mutable std::mutex questionsMutex_;
    std::vector<CTerminalQuestionState*> openQuestions_;
    int wakeFd_ = -1;
};

}  // namespace kivterm

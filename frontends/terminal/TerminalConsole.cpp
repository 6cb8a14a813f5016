#include "frontends/terminal/TerminalConsole.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

#include "frontends/terminal/TerminalText.h"
#include "platform/Event.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"
#include "platform/Wait.h"

namespace kivterm {

namespace {

// How long a question waits for input before it serves its thread's sends.
constexpr int kSliceMs = 20;

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return;  // a closed terminal: nothing left to tell
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Serves the sends waiting for the calling thread: a wait on an event that
// is never set, which this layer's waits do on the side.
void ServeSends() {
    static const win::HANDLE never = win::CreateEvent(true, false);
    win::WaitForSingleObject(never, 0);
}

}  // namespace

CTerminalConsole::CTerminalConsole(const TerminalIo& io)
    : io_(io), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    questionLock_.Create(false);
}

CTerminalConsole::~CTerminalConsole() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void CTerminalConsole::WriteOut(std::string_view utf8) {
    Write(io_.out, utf8);
}

void CTerminalConsole::WriteErr(std::string_view utf8) {
    Write(io_.err, utf8);
}

void CTerminalConsole::WritePrompt(std::string_view utf8) {
    Write(io_.prompt >= 0 ? io_.prompt : io_.err, utf8);
}

void CTerminalConsole::WriteLine(std::string_view utf8, Layout layout) {
    std::string line = VisibleControls(utf8, layout);
    line += '\n';
    Write(io_.err, line);
}

// Every text reaches the terminal here or in DrawLiveLocked: the control
// characters of page, server and file-system texts are made visible on the way.
void CTerminalConsole::Write(int fd, std::string_view utf8) {
    std::lock_guard lock(outputMutex_);
    // Every descriptor may be the terminal the display is on.
    EraseLiveLocked();
    WriteAll(fd, VisibleControls(utf8, Layout::Kept));
    DrawLiveLocked();
}

void CTerminalConsole::ShowLive(const std::vector<std::string>& lines) {
    if (!LiveDisplay()) return;
    std::lock_guard lock(outputMutex_);
    if (lines == live_ && (liveDrawn_ > 0 || liveHidden_)) return;
    live_ = lines;
    EraseLiveLocked();
    DrawLiveLocked();
}

void CTerminalConsole::EndLive() {
    std::lock_guard lock(outputMutex_);
    EraseLiveLocked();
    live_.clear();
}

void CTerminalConsole::EraseLiveLocked() {
    if (liveDrawn_ == 0) return;
    // Up to the display's first line, then clear to the end of the screen.
    WriteAll(io_.err, "\x1b[" + std::to_string(liveDrawn_) + "F\x1b[J");
    liveDrawn_ = 0;
}

void CTerminalConsole::DrawLiveLocked() {
    if (!LiveDisplay() || liveHidden_ || live_.empty()) return;
    // One column is kept free: a line that fills the row would wrap the cursor.
    const std::size_t columns = std::max<std::size_t>(Columns(), 2) - 1;
    std::string bytes;
    for (const std::string& line : live_) {
        // A line end or a tab of its own would break the in-place redraw.
        bytes += FitToWidth(VisibleControls(line, Layout::Shown), columns);
        bytes += "\x1b[K\n";
    }
    WriteAll(io_.err, bytes);
    liveDrawn_ = live_.size();
}

void CTerminalConsole::BeginQuestion(CTerminalQuestionState& question) {
    win::WaitForSingleObject(questionLock_.Handle(), win::INFINITE);
    {
        std::lock_guard lock(outputMutex_);
        EraseLiveLocked();
        liveHidden_ = true;
    }
    std::lock_guard lock(questionsMutex_);
    openQuestions_.push_back(&question);
}

void CTerminalConsole::EndQuestion(CTerminalQuestionState& question) {
    bool lastQuestion = false;
    {
        std::lock_guard lock(questionsMutex_);
        std::erase(openQuestions_, &question);
        lastQuestion = openQuestions_.empty();
    }
    win::ReleaseMutex(questionLock_.Handle());
    if (!lastQuestion) return;
    std::lock_guard lock(outputMutex_);
    liveHidden_ = false;
    DrawLiveLocked();
}

bool CTerminalConsole::InterruptQuestion() {
    std::lock_guard lock(questionsMutex_);
    if (openQuestions_.empty()) return false;
    openQuestions_.back()->Interrupt();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    return true;
}

bool CTerminalConsole::QuestionOpen() const {
    std::lock_guard lock(questionsMutex_);
    return !openQuestions_.empty();
}

WaitEnd CTerminalConsole::ReadLine(CTerminalQuestionState& question, std::string& line) {
    for (;;) {
        if (question.Interrupted()) return WaitEnd::Interrupted;
        if (question.Closed()) return WaitEnd::Closed;
        if (TakePendingLine(line)) return WaitEnd::Answered;
        if (!Interactive()) {
            // A last line without its line end still counts as an answer.
            if (pendingInput_.empty()) return WaitEnd::NoInput;
            line = std::move(pendingInput_);
            pendingInput_.clear();
            return WaitEnd::Answered;
        }
        WaitSlice(true);
    }
}

WaitEnd CTerminalConsole::Pause(CTerminalQuestionState& question, unsigned ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (question.Interrupted()) return WaitEnd::Interrupted;
        if (question.Closed()) return WaitEnd::Closed;
        if (std::chrono::steady_clock::now() >= until) return WaitEnd::Answered;
        WaitSlice(false);
    }
}

bool CTerminalConsole::TakePendingLine(std::string& line) {
    const std::size_t end = pendingInput_.find('\n');
    if (end == std::string::npos) return false;
    line = pendingInput_.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pendingInput_.erase(0, end + 1);
    return true;
}

void CTerminalConsole::WaitSlice(bool withInput) {
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {withInput ? io_.in : -1, POLLIN, 0}};
    if (::poll(fds, 2, kSliceMs) > 0) {
        if ((fds[0].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t drained = ::read(wakeFd_, &count, sizeof count);
        }
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            char bytes[256];
            const ssize_t count = ::read(io_.in, bytes, sizeof bytes);
            if (count > 0) {
                pendingInput_.append(bytes, static_cast<std::size_t>(count));
            } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
                inputEnded_ = true;
            }
        }
    }
    ServeSends();
}

}  // namespace kivterm

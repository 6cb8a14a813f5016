#pragma once
// Where the terminal front end writes and reads. Detected from the process's
// standard descriptors; tests build one from pipes and files instead. As
// curl and wget do, everything of the run itself (the live display, file
// events, messages, questions) goes to the error output; the standard output
// gets only the final summary, so `kiv-downloader ... | head` reads that and
// cannot disturb the run.
#include <cstddef>

namespace kivterm {

struct TerminalIo {
    int out = 1;  // the final summary only
    int err = 2;  // the live display, file events, messages and boxes
    // Questions: read from `in` and prompted on `prompt`; -1 when there is
    // nobody to ask (every question is answered unattended).
    int in = -1;
    int prompt = -1;
    // `err` is a terminal that takes escape sequences (TERM is not "dumb"):
    // the live display is redrawn in place there. Otherwise the display is a
    // progress line now and then.
    bool liveDisplay = false;
    // Width of `err` in columns when it cannot be asked (or for tests).
    std::size_t fallbackColumns = 80;
    bool askColumns = true;  // ask `err` for its width on every frame
};

// Questions are interactive only when standard input is a terminal; they
// then use the controlling terminal (/dev/tty) for prompt and answer, or
// standard input and the error output when it cannot be opened. Input that
// is not a terminal is never read, so a job with an idle pipe on stdin cannot hang.
// The /dev/tty descriptor (if any) stays open for the life of the process.
// `term` is the TERM variable (null when unset).
TerminalIo DetectTerminalIo(const char* term);

// Columns of the terminal behind `io.err`.
std::size_t TerminalColumns(const TerminalIo& io);

}  // namespace kivterm

#pragma once
// Where the terminal front end writes and reads. Detected from the process's
// standard descriptors; tests build one from pipes and files instead.
#include <cstddef>

namespace kivterm {

struct TerminalIo {
    int out = 1;  // the display, information boxes, the printed destination
    int err = 2;  // error and warning boxes, unattended answers
    // Questions: read from `in` and prompted on `prompt`; -1 when there is
    // nobody to ask (every question is answered unattended).
    int in = -1;
    int prompt = -1;
    // `out` is a terminal: the display is redrawn in place with ANSI sequences.
    bool outIsTerminal = false;
    // Width of `out` in columns when it cannot be asked (or for tests).
    std::size_t fallbackColumns = 80;
    bool askColumns = true;  // ask `out` for its width on every frame
};

// Questions are interactive only when standard input is a terminal; they
// then use the controlling terminal (/dev/tty) for prompt and answer, or
// standard input and output when it cannot be opened. Input that is not a
// terminal is never read, so a job with an idle pipe on stdin cannot hang.
// The /dev/tty descriptor (if any) stays open for the life of the process.
TerminalIo DetectTerminalIo();

// Columns of the terminal behind `io.out`.
std::size_t TerminalColumns(const TerminalIo& io);

}  // namespace kivterm

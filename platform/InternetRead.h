#pragma once
// The result of a bounded body read (CHttpFile::Read).
#include <cstddef>

namespace win {

enum class ReadOutcome {
    Complete,   // the buffer is full, or the body ended (then count is below the request)
    TimedOut,   // the time-out passed first
    Cancelled,  // the cancel descriptor became readable first
    CutShort,   // the body ended before its end: a missing last chunk, or fewer
                // bytes than its Content-Length (the bytes before it came first)
};

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::Complete;
    // Bytes placed in the buffer. After a time-out or a cancellation they are
    // valid too, and the body goes on after them at the next read.
    std::size_t count = 0;
};

}  // namespace win

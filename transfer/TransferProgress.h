#pragma once
// What a transfer tells the dialog: bytes done after every chunk, the rate
// and the remaining time, and once, for the first item, that data arrived
// (the play-button signal). Cheap per chunk: no allocation, two posts.
#include <cstddef>
#include <cstdint>

#include "transfer/DialogPort.h"
#include "transfer/RunState.h"

namespace kivtransfer {

class CTransferProgress {
public:
    // `toDialog` false: nothing is posted but the play signal at Finish.
    CTransferProgress(IDialogPort& dialog, IRunState& run, bool toDialog, bool playSignal)
        : dialog_(dialog), run_(run), toDialog_(toDialog), playSignalPending_(playSignal) {}

    // `count` bytes arrived; the file now holds `position` bytes.
    void Chunk(std::uint64_t position, std::size_t count);
    // The item is done (or was complete already): its bar reaches `size`.
    void Finish(std::uint64_t size);

private:
    void PostPlaySignal();

    IDialogPort& dialog_;
    IRunState& run_;
    bool toDialog_;
    bool playSignalPending_;
};

}  // namespace kivtransfer

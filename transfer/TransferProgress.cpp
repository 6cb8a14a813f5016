#include "transfer/TransferProgress.h"

#include <algorithm>

#include "transfer/RateMeter.h"

namespace kivtransfer {

namespace {

constexpr LPARAM kNoEstimate = -1;

}  // namespace

void CTransferProgress::Chunk(std::uint64_t position, std::size_t count) {
    run_.Counters().CountReceived(count);
    if (!toDialog_) {
        return;
    }
    dialog_.PostToDialogWindow(DLGM_CURRENTPOS, Low32(position), High32(position));
    bool updated = false;
    CRateMeter& meter = run_.Meter();
    const std::uint64_t rate = meter.RateMeter(count, &updated);
    const std::uint64_t remaining = run_.Counters().CountOffRemainingBytes(count);
    LPARAM seconds = kNoEstimate;
    if ((updated && meter.RateIsSettled()) || remaining == 0) {
        seconds = static_cast<LPARAM>(RemainingSeconds(remaining, rate));
    }
    if (rate > 0) {
        dialog_.PostToDialogWindow(DLGM_RATETIME, static_cast<WPARAM>(rate / 1024), seconds);
    }
    PostPlaySignal();
}

void CTransferProgress::Finish(std::uint64_t size) {
    if (toDialog_) {
        dialog_.PostToDialogWindow(DLGM_CURRENTPOS, Low32(size), High32(size));
    }
    PostPlaySignal();
}

void CTransferProgress::PostPlaySignal() {
    if (playSignalPending_) {
        dialog_.PostToDialog(DLGM_PLAYBUTTON, 5, 1);
        playSignalPending_ = false;
    }
}

}  // namespace kivtransfer

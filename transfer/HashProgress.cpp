#include "transfer/HashProgress.h"

#include "transfer/LeavePromptPause.h"

namespace kivtransfer {

int CHashProgress::Callback(std::uint64_t fileSize, std::uint64_t chunkBytes,
                            std::uint64_t bytesDone, void* context) {
    return static_cast<CHashProgress*>(context)->OnChunk(fileSize, chunkBytes, bytesDone) ? 1 : 0;
}

bool CHashProgress::OnChunk(std::uint64_t fileSize, std::uint64_t chunkBytes,
                            std::uint64_t bytesDone) {
    bytesHashed_ += chunkBytes;
    bool meterUpdated = false;
    const std::uint64_t rate = control_.Meter().RateMeter(chunkBytes, &meterUpdated);
    WaitWhileLeavePromptIsOpen();
    if (control_.IsCancelled()) {
        return false;
    }
    PostRemainingTime(meterUpdated, rate);
    PostPosition(fileSize, bytesDone);
    return true;
}

bool CHashProgress::CompleteAtOnce(std::uint64_t fileSize) {
    bytesHashed_ += fileSize;
    WaitWhileLeavePromptIsOpen();
    if (control_.IsCancelled()) {
        return false;
    }
    PostRemainingTime(/*meterUpdated=*/false, 0);
    PostPosition(fileSize, fileSize);
    return true;
}

std::uint64_t CHashProgress::TotalBytes() const {
    return fixedTotal_ ? *fixedTotal_ : control_.Counters().VerifyTotalBytes();
}

// No byte is hashed while the page asks the user whether to leave it: the
// control's window answers non-zero as long as the question is open.
void CHashProgress::WaitWhileLeavePromptIsOpen() {
    // Cancellation is checked right after, by the caller.
    PauseWhileLeavePromptIsOpen(control_, {});
}

// The remaining time changes only when the meter has a new, settled rate (at
// most once a second), so the dialog's text stays readable.
void CHashProgress::PostRemainingTime(bool meterUpdated, std::uint64_t rate) {
    const std::uint64_t total = TotalBytes();
    if (meterUpdated && rate != 0 && control_.Meter().RateIsSettled()) {
        const std::uint64_t left = total > bytesHashed_ ? total - bytesHashed_ : 0;
        control_.PostToDialog(DLGM_RATETIME, 0, static_cast<LPARAM>(RemainingSeconds(left, rate)));
    } else if (bytesHashed_ == total) {
        control_.PostToDialog(DLGM_RATETIME, 0, 0);
    }
}

// Posts the position only when the whole percentage changes (and while it is
// still 0), not after every piece read.
void CHashProgress::PostPosition(std::uint64_t fileSize, std::uint64_t bytesDone) {
    if (fileSize == 0) {
        return;
    }
    const std::uint64_t percent = bytesDone * 100 / fileSize;
    if (percent != 0 && percent == lastPercent_) {
        return;
    }
    lastPercent_ = percent;
    control_.PostToDialog(DLGM_CURRENTPOS, Low32(bytesDone), High32(bytesDone));
}

}  // namespace kivtransfer

#include "transfer/GuardedRead.h"

#include <algorithm>
#include <climits>

namespace kivtransfer {

namespace {

class ReadGateHold {
public:
    explicit ReadGateHold(IDownloadControl& control) : control_(control) {}
    ~ReadGateHold() { control_.ReleaseReadGate(); }
    ReadGateHold(const ReadGateHold&) = delete;
    ReadGateHold& operator=(const ReadGateHold&) = delete;

private:
    IDownloadControl& control_;
};

}  // namespace

TransferOutcome<std::size_t> GuardedRead(IDownloadControl& control, win::CHttpFile& request,
                                         char* buffer, std::size_t count) {
    if (!control.TryTakeReadGate()) {
        return 0;
    }
    ReadGateHold hold(control);
    const int timeoutMs = static_cast<int>(
        std::min<std::uint32_t>(control.Timings().readTimeoutMs, static_cast<unsigned>(INT_MAX)));
    // Bytes a cut-short read delivered are dropped: the next attempt asks for
    // them again from the end of the local file.
    const win::ReadResult result =
        request.Read(buffer, std::min(count, kTransferChunkSize), timeoutMs, control.CancelFd());
    switch (result.outcome) {
        case win::ReadOutcome::Cancelled:
            return TransferResult::Failed(errcode::kCancelled);
        case win::ReadOutcome::TimedOut:
            return TransferResult::Failed(errcode::kReadTimedOut);
        case win::ReadOutcome::CutShort:
            // The short-body rule: tried again, continuing the file.
            return TransferResult::Failed(errcode::kShortBody);
        case win::ReadOutcome::Complete:
            break;
    }
    return result.count;
}

}  // namespace kivtransfer

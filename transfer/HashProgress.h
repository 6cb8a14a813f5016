#pragma once
// The progress while files are hashed (in the verification phase, or one
// file that preparation judges): the bytes hashed so far, the rate and
// remaining time, the position in the current file, the pause while the
// page asks whether to leave, and cancellation.
#include <cstdint>
#include <optional>

#include "transfer/DownloadControl.h"

namespace kivtransfer {

class CHashProgress {
public:
    // The verification phase's: its total is the control's VerifyTotalBytes.
    explicit CHashProgress(IDownloadControl& control) : control_(control) {}
    // One file hashed outside that phase: `totalBytes` is all there is to hash.
    CHashProgress(IDownloadControl& control, std::uint64_t totalBytes)
        : control_(control), fixedTotal_(totalBytes) {}

    // A new file begins: its first piece reports its position again.
    void StartFile() { lastPercent_ = kNoPercent; }
    std::uint64_t BytesHashed() const { return bytesHashed_; }

    // One piece of the current file was hashed. False stops the digest
    // (the run was cancelled).
    bool OnChunk(std::uint64_t fileSize, std::uint64_t chunkBytes, std::uint64_t bytesDone);

    // A whole file whose digest is known without reading it: its position
    // completes at once. Its bytes count as hashed but not for the rate,
    // which they took no time of. False when the run was cancelled.
    bool CompleteAtOnce(std::uint64_t fileSize);

    // FileDigest's callback; `context` is the CHashProgress.
    static int Callback(std::uint64_t fileSize, std::uint64_t chunkBytes, std::uint64_t bytesDone,
                        void* context);

private:
    static constexpr std::uint64_t kNoPercent = ~std::uint64_t{0};

    std::uint64_t TotalBytes() const;
    void WaitWhileLeavePromptIsOpen();
    void PostRemainingTime(bool meterUpdated, std::uint64_t rate);
    void PostPosition(std::uint64_t fileSize, std::uint64_t bytesDone);

    IDownloadControl& control_;
    std::optional<std::uint64_t> fixedTotal_;
    std::uint64_t bytesHashed_ = 0;
    std::uint64_t lastPercent_ = kNoPercent;
};

}  // namespace kivtransfer

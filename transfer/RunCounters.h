#pragma once
// The run's byte and file counts: what is still to download (for the
// remaining-time estimate) and what the verification phase will hash. The
// preparation and download phases fill them, the transfer and the hashing
// read them; all on the worker thread.
#include <algorithm>
#include <cstdint>

namespace kivtransfer {

class CRunCounters {
public:
    // --- Bytes still to download in this run.
    std::uint64_t RemainingBytes() const { return remainingBytes_; }
    void ClearRemainingBytes() { remainingBytes_ = 0; }
    void AddRemainingBytes(std::uint64_t bytes) { remainingBytes_ += bytes; }
    // Counts `bytes` off (never below zero); returns what remains.
    std::uint64_t CountOffRemainingBytes(std::uint64_t bytes) {
        remainingBytes_ -= std::min(bytes, remainingBytes_);
        return remainingBytes_;
    }

    // --- Body bytes that arrived in this run, whatever became of them.
    std::uint64_t ReceivedBytes() const { return receivedBytes_; }
    void CountReceived(std::uint64_t bytes) { receivedBytes_ += bytes; }

    // --- Files the verification phase hashes, and their bytes.
    void AddFileToVerify(std::uint64_t bytes) {
        verifyTotalBytes_ += bytes;
        verifyFileCount_ += 1;
    }
    std::uint64_t VerifyTotalBytes() const { return verifyTotalBytes_; }
    std::uint64_t VerifyFileCount() const { return verifyFileCount_; }

private:
    std::uint64_t remainingBytes_ = 0;
    std::uint64_t receivedBytes_ = 0;
    std::uint64_t verifyTotalBytes_ = 0;
    std::uint64_t verifyFileCount_ = 0;
};

}  // namespace kivtransfer

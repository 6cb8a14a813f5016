#pragma once
// Hashes the bytes a transfer writes on a second thread, so that the digest
// costs the transfer no time of its own: the transfer receives each chunk
// into a slot of a ring, writes it to the file and hands the slot on; the
// hashing thread feeds the slots to the digest in order and frees them. A
// resumed file's first bytes are read back from the file first.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/File.h"
#include "transfer/WrittenDigest.h"

namespace kivtransfer {

class CDigestPipe {
public:
    static constexpr std::size_t kSlotBytes = 16384;
    static constexpr std::size_t kSlots = 32;

    // Starts the hashing thread. With `prefixBytes`, the file's first bytes
    // are read back from `prefixSource` (the file opened for reading) and
    // hashed first, after what `digest` holds. `cancelled` is asked while
    // NextSlot waits. Throws std::system_error when no thread can be
    // started, std::bad_alloc.
    CDigestPipe(CWrittenDigest& digest, win::CFile prefixSource, std::uint64_t prefixBytes,
                std::function<bool()> cancelled);
    ~CDigestPipe();  // Abandon unless finished
    CDigestPipe(const CDigestPipe&) = delete;
    CDigestPipe& operator=(const CDigestPipe&) = delete;

    // A free slot of kSlotBytes; waits while the ring is full. Null when the
    // run was cancelled meanwhile.
    char* NextSlot();
    // The first `count` bytes of the slot NextSlot gave are now in the file,
    // next after all bytes handed on before.
    void Commit(std::size_t count);

    // Hashes everything handed on and ends the thread. True when the digest
    // then holds the file's bytes from 0 to the last one handed on. A
    // cancellation while it waits (for a long first part, say) abandons it.
    bool Finish();
    // Ends the thread as soon as it can; the digest stands for nothing.
    void Abandon();

private:
    void Run();
    bool HashPrefix();
    bool WaitForSlots(std::unique_lock<std::mutex>& lock);
    void Stop(bool abandon);
    void WaitForRunEnd();

    CWrittenDigest& digest_;
    win::CFile prefixSource_;
    const std::uint64_t prefixBytes_;
    std::function<bool()> cancelled_;
    std::unique_ptr<char[]> ring_;
    std::size_t lengths_[kSlots] = {};

    std::mutex mutex_;
    std::condition_variable hasherWake_;
    std::condition_variable producerWake_;
    std::uint64_t committed_ = 0;  // slots handed on
    std::uint64_t hashed_ = 0;     // slots hashed (free again)
    bool finishing_ = false;
    bool abandoned_ = false;
    bool hasherWaiting_ = false;
    bool producerWaiting_ = false;
    bool failed_ = false;    // the prefix could not be read
    bool runEnded_ = false;  // the hashing thread has nothing left to do
    std::thread thread_;
};

}  // namespace kivtransfer

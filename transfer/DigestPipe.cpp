#include "transfer/DigestPipe.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <utility>

namespace kivtransfer {

namespace {

// The hashing thread, once idle, waits for this many slots: a wake-up per
// chunk would cost about as much as hashing it.
constexpr std::uint64_t kWakeBatch = 8;
// A resumed file's first bytes are read back in pieces of this size.
constexpr std::size_t kPrefixPieceBytes = 64 * 1024;
// How often a transfer waiting for a free slot looks for a cancellation.
constexpr auto kCancelPoll = std::chrono::milliseconds(100);

}  // namespace

CDigestPipe::CDigestPipe(CWrittenDigest& digest, win::CFile prefixSource, std::uint64_t prefixBytes,
                         std::function<bool()> cancelled)
    : digest_(digest),
      prefixSource_(std::move(prefixSource)),
      prefixBytes_(prefixBytes),
      cancelled_(std::move(cancelled)),
      ring_(new char[kSlots * kSlotBytes]) {
    thread_ = std::thread([this] { Run(); });
}

CDigestPipe::~CDigestPipe() {
    Abandon();
}

char* CDigestPipe::NextSlot() {
    std::unique_lock lock(mutex_);
    while (committed_ - hashed_ == kSlots) {
        producerWaiting_ = true;
        const bool freed = producerWake_.wait_for(lock, kCancelPoll,
                                                  [this] { return committed_ - hashed_ < kSlots; });
        producerWaiting_ = false;
        if (!freed) {
            lock.unlock();  // the cancellation check may wait for the dialog
            if (cancelled_()) {
                return nullptr;
            }
            lock.lock();
        }
    }
    return ring_.get() + (committed_ % kSlots) * kSlotBytes;
}

void CDigestPipe::Commit(std::size_t count) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        lengths_[committed_ % kSlots] = count;
        ++committed_;
        wake = hasherWaiting_ && committed_ - hashed_ >= kWakeBatch;
    }
    if (wake) {
        hasherWake_.notify_one();
    }
}

bool CDigestPipe::Finish() {
    if (thread_.joinable()) {
        Stop(/*abandon=*/false);
    }
    return !failed_ && !abandoned_;
}

void CDigestPipe::Abandon() {
    if (thread_.joinable()) {
        Stop(/*abandon=*/true);
    }
}

void CDigestPipe::Stop(bool abandon) {
    {
        std::lock_guard lock(mutex_);
        (abandon ? abandoned_ : finishing_) = true;
    }
    hasherWake_.notify_one();
    if (!abandon) {
        WaitForRunEnd();
    }
    thread_.join();
}

// The rest may take as long as reading the file's first part: a cancellation
// meanwhile ends the wait (the cancellation check runs on this thread only).
void CDigestPipe::WaitForRunEnd() {
    std::unique_lock lock(mutex_);
    while (!producerWake_.wait_for(lock, kCancelPoll, [this] { return runEnded_; })) {
        lock.unlock();
        const bool cancelled = cancelled_();
        lock.lock();
        if (cancelled) {
            abandoned_ = true;
            lock.unlock();
            hasherWake_.notify_one();
            return;
        }
    }
}

void CDigestPipe::Run() {
    const bool usable = HashPrefix();
    std::unique_lock lock(mutex_);
    failed_ = !usable;
    while (WaitForSlots(lock)) {
        const std::size_t slot = hashed_ % kSlots;
        const std::size_t length = lengths_[slot];
        lock.unlock();
        if (usable) {
            digest_.Update(ring_.get() + slot * kSlotBytes, length);
        }
        lock.lock();
        ++hashed_;  // the slot is free again
        if (producerWaiting_) {
            producerWake_.notify_one();
        }
    }
    runEnded_ = true;
    lock.unlock();
    producerWake_.notify_all();
}

// False when the file's first bytes could not all be read (or the pipe was
// abandoned meanwhile): the digest then stands for nothing.
bool CDigestPipe::HashPrefix() {
    if (prefixBytes_ == 0) {
        return true;
    }
    try {
        std::unique_ptr<char[]> piece(new char[kPrefixPieceBytes]);
        std::uint64_t done = 0;
        while (done < prefixBytes_) {
            {
                std::lock_guard lock(mutex_);
                if (abandoned_) {
                    return false;
                }
            }
            const std::size_t wanted = static_cast<std::size_t>(
                std::min<std::uint64_t>(kPrefixPieceBytes, prefixBytes_ - done));
            const long long got = prefixSource_.ReadAt(piece.get(), wanted, done);
            if (got <= 0) {
                return false;  // unreadable, or shorter than it was
            }
            digest_.Update(piece.get(), static_cast<std::size_t>(got));
            done += static_cast<std::uint64_t>(got);
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Waits until a slot is there to hash; false when none will come any more.
bool CDigestPipe::WaitForSlots(std::unique_lock<std::mutex>& lock) {
    for (;;) {
        if (abandoned_) {
            return false;
        }
        if (committed_ != hashed_) {
            return true;
        }
        if (finishing_) {
            return false;
        }
        hasherWaiting_ = true;
        hasherWake_.wait(lock, [this] {
            return abandoned_ || finishing_ || committed_ - hashed_ >= kWakeBatch;
        });
        hasherWaiting_ = false;
    }
}

}  // namespace kivtransfer

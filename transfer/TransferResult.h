#pragma once
// What a step of a transfer operation came to. The steps return it up to the
// operation's edge (SizeQuery, FileTransfer, the phases), which alone stores
// a failure in the control's error state, so each failure can be followed
// from where it arises to where it is kept.
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "transfer/ErrorState.h"

namespace kivtransfer {

class [[nodiscard]] TransferResult {
public:
    static TransferResult Done() { return TransferResult(What::Done, errcode::kNone); }
    // A failure with its code and the system, internet or HTTP number that goes with it.
    static TransferResult Failed(std::int32_t code, std::uint32_t lastError = 0) {
        return TransferResult(What::Failed, code, lastError);
    }
    // A local file call failed: 100 with the system's number, and the item's
    // name as the detail so the message says which file it was.
    static TransferResult FileFailed(std::uint32_t osError, std::string itemName) {
        TransferResult result(What::Failed, errcode::kFileError, osError);
        result.detail_ = std::move(itemName);
        return result;
    }
    // The code alone: the number that goes with it was stored by whoever
    // answered (the assistant program's reply).
    static TransferResult FailedKeepingLastError(std::int32_t code) {
        return TransferResult(What::CodeOnly, code);
    }
    // A nested operation with an edge of its own stored its failure already.
    static TransferResult StoredAlready() { return TransferResult(What::Stored, errcode::kNone); }

    TransferResult WithDetail(std::string detail) && {
        detail_ = std::move(detail);
        return std::move(*this);
    }

    bool Ok() const { return what_ == What::Done; }
    // The failure's code; kNone when done or stored already.
    std::int32_t Code() const { return code_; }
    std::uint32_t LastError() const { return lastError_; }

    // The edge's part: a failure goes into `error`, detail first, so a
    // reader who sees the code finds its detail; nothing else changes.
    void StoreIn(ErrorState& error) const {
        if (what_ == What::Done || what_ == What::Stored) return;
        if (detail_) error.errorDetail = *detail_;
        if (what_ == What::CodeOnly) {
            error.errorCode = code_;
        } else {
            error.Set(code_, lastError_);
        }
    }

private:
    enum class What { Done, Failed, CodeOnly, Stored };
    TransferResult(What what, std::int32_t code, std::uint32_t lastError = 0)
        : what_(what), code_(code), lastError_(lastError) {}

    What what_;
    std::int32_t code_;
    std::uint32_t lastError_;
    std::optional<std::string> detail_;  // none: the stored detail stays as it is
};

// A step that yields a value when it succeeds, or the failure that stopped it.
template <class Value>
class [[nodiscard]] TransferOutcome {
public:
    TransferOutcome(Value value) : value_(std::move(value)) {}
    TransferOutcome(TransferResult failure) : result_(std::move(failure)) {}

    bool Ok() const { return result_.Ok(); }
    const TransferResult& Result() const { return result_; }
    const Value& operator*() const { return value_; }
    const Value* operator->() const { return &value_; }

private:
    Value value_{};
    TransferResult result_ = TransferResult::Done();
};

// The edge of an operation: runs `work` (which returns a TransferResult),
// stores its failure, and takes running out of memory as 10. True when done.
template <class Work>
bool StoreResultOf(ErrorState& error, Work&& work) {
    TransferResult result = TransferResult::Done();
    try {
        result = work();
    } catch (const std::bad_alloc&) {
        result = TransferResult::Failed(errcode::kOutOfMemory);
    }
    result.StoreIn(error);
    return result.Ok();
}

}  // namespace kivtransfer

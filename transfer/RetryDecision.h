#pragma once
// Whether a failed attempt is made again: one rule for an item's size query
// and its transfer, over the failure's code and the attempts that failed so
// far. The code's retry column (transfer/ErrorCodes.h) says what a failure
// counts against; the stage says how many attempts that allows.
#include <cstdint>

#include "transfer/ErrorCodes.h"

namespace kivtransfer {

enum class RetryStage { SizeQuery, Transfer };

// Failed attempts so far, the one being judged included, by what they count
// against. A transfer counts in a row: a chunk that arrives starts both over.
struct FailedAttempts {
    std::int32_t connection = 0;
    std::int32_t shortBody = 0;
};

struct RetryDecision {
    ErrorRetry counter = ErrorRetry::Never;  // what the failure counts against
    std::int32_t attempts = 0;               // the attempts that allows in all
    bool again = false;
};

RetryDecision DecideRetry(RetryStage stage, std::int32_t code, FailedAttempts failed);

}  // namespace kivtransfer

#include "transfer/RetryDecision.h"

namespace kivtransfer {

namespace {

// Size queries in all, per item. A size query reads no body: it neither
// stalls in one (304) nor receives a short one (501).
constexpr std::int32_t kSizeQueryAttempts = 12;
// Failed transfer attempts in a row before giving up.
constexpr std::int32_t kConnectAttempts = 11;
constexpr std::int32_t kShortBodyAttempts = 101;

}  // namespace

RetryDecision DecideRetry(RetryStage stage, std::int32_t code, FailedAttempts failed) {
    const ErrorCodeRow* row = FindErrorCode(code);
    RetryDecision decision;
    decision.counter = row != nullptr ? row->retry : ErrorRetry::Never;
    switch (decision.counter) {
        case ErrorRetry::Connection:
            decision.attempts =
                stage == RetryStage::SizeQuery ? kSizeQueryAttempts : kConnectAttempts;
            decision.again = failed.connection < decision.attempts;
            break;
        case ErrorRetry::ShortBody:
            if (stage == RetryStage::Transfer) {
                decision.attempts = kShortBodyAttempts;
                decision.again = failed.shortBody < decision.attempts;
            }
            break;
        case ErrorRetry::Never:
            break;
    }
    return decision;
}

}  // namespace kivtransfer

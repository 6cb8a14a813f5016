// The one rule for trying a failed attempt again, case by case.
#include <gtest/gtest.h>

#include <set>

#include "transfer/RetryDecision.h"

using kivtransfer::DecideRetry;
using kivtransfer::ErrorRetry;
using kivtransfer::FailedAttempts;
using kivtransfer::FindErrorCode;
using kivtransfer::RetryDecision;
using kivtransfer::RetryStage;

namespace {

struct RetryCase {
    RetryStage stage;
    std::int32_t code;
    FailedAttempts failed;
    ErrorRetry counter;
    std::int32_t attempts;
    bool again;
};

constexpr auto kQuery = RetryStage::SizeQuery;
constexpr auto kTransfer = RetryStage::Transfer;
constexpr auto kConnection = ErrorRetry::Connection;
constexpr auto kShortBody = ErrorRetry::ShortBody;
constexpr auto kNever = ErrorRetry::Never;

constexpr RetryCase kCases[] = {
    // A size query is made 12 times in all, again only after a connection failure.
    {kQuery, errcode::kInternetError, {1, 0}, kConnection, 12, true},
    {kQuery, errcode::kInternetError, {11, 0}, kConnection, 12, true},
    {kQuery, errcode::kInternetError, {12, 0}, kConnection, 12, false},
    {kQuery, errcode::kHttpStatus, {1, 0}, kNever, 0, false},
    {kQuery, errcode::kOffline, {1, 0}, kNever, 0, false},
    {kQuery, errcode::kShortBody, {0, 1}, kShortBody, 0, false},
    // A transfer: 11 connection failures in a row, stalls counted with them.
    {kTransfer, errcode::kInternetError, {10, 0}, kConnection, 11, true},
    {kTransfer, errcode::kInternetError, {11, 0}, kConnection, 11, false},
    {kTransfer, errcode::kReadTimedOut, {10, 0}, kConnection, 11, true},
    {kTransfer, errcode::kReadTimedOut, {11, 0}, kConnection, 11, false},
    // Short bodies have a count of their own: many connection failures do not end them.
    {kTransfer, errcode::kShortBody, {50, 100}, kShortBody, 101, true},
    {kTransfer, errcode::kShortBody, {0, 101}, kShortBody, 101, false},
    {kTransfer, errcode::kInternetError, {1, 500}, kConnection, 11, true},
    // Everything else ends the item at once.
    {kTransfer, errcode::kCancelled, {}, kNever, 0, false},
    {kTransfer, errcode::kFileError, {}, kNever, 0, false},
    {kTransfer, errcode::kDiskFull, {}, kNever, 0, false},
    {kTransfer, errcode::kHttpStatus, {}, kNever, 0, false},
    {kTransfer, errcode::kHtmlAnswer, {}, kNever, 0, false},
    {kTransfer, errcode::kOffline, {}, kNever, 0, false},
    {kTransfer, errcode::kInternalError, {}, kNever, 0, false},
    {kTransfer, 7, {}, kNever, 0, false},  // not a code at all
};

TEST(RetryDecisionTest, EachCaseAsTheRuleSays) {
    for (const RetryCase& c : kCases) {
        const RetryDecision decision = DecideRetry(c.stage, c.code, c.failed);
        SCOPED_TRACE(testing::Message()
                     << "stage " << static_cast<int>(c.stage) << " code " << c.code << " failed "
                     << c.failed.connection << "/" << c.failed.shortBody);
        EXPECT_EQ(decision.counter, c.counter);
        EXPECT_EQ(decision.attempts, c.attempts);
        EXPECT_EQ(decision.again, c.again);
    }
}

// A number listed twice would hide its second row from every lookup.
TEST(RetryDecisionTest, EveryCodeIsInTheTableOnce) {
    std::set<std::int32_t> codes;
#define KIV_COLLECT_CODE(name, value, textId, placement, systemText, retry) \
    EXPECT_TRUE(codes.insert(value).second) << #name << " repeats a code";
    KIV_ERROR_CODES(KIV_COLLECT_CODE)
#undef KIV_COLLECT_CODE
    EXPECT_EQ(FindErrorCode(7), nullptr);
}

}  // namespace

#pragma once
// The run's error codes: each code once, with what the error message shows
// for it and whether a transfer that fails with it is tried again. Code
// refers to a code by its name here, never by its number; the numbers are
// what stored reports, the message's "[D:code ...]" tag and the host's exit
// status carry, so they never change.
#include <cstdint>

#include "resources/StringIds.h"

namespace kivtransfer {

// Whether the code's text follows the phase's headline or replaces it.
enum class CodePlacement { Append, Replace };

// Whether, and how, a transfer that failed with the code is tried again.
enum class ErrorRetry {
    Never,
    Connection,  // after a pause, counted against the item's connection attempts
    ShortBody,   // at once, continuing the file, counted against its short-body attempts
};

}  // namespace kivtransfer

// X(name, code, text id (0: none or composed), placement, system text follows, retry)
// The text ids of 200, 300, 301 and 402 are formats or lookups the message composes.
#define KIV_ERROR_CODES(X)                                                              \
    X(kNone, 0, 0, Append, false, Never)                                                \
    X(kCancelled, 1, 0, Append, false, Never)                                           \
    X(kOutOfMemory, 10, textid::kMemoryFull, Append, false, Never)                      \
    X(kMutexFailed, 11, textid::kMutexFailed, Append, true, Never)                      \
    X(kNoClientSite, 12, textid::kNoClientSite, Append, false, Never)                   \
    X(kNoServiceProvider, 13, textid::kNoServiceProvider, Append, false, Never)         \
    X(kNoBrowser, 14, textid::kNoBrowser, Append, false, Never)                         \
    X(kNoDocument, 15, textid::kNoDocument, Append, false, Never)                       \
    X(kNoPageWindow, 16, textid::kNoPageWindow, Append, false, Never)                   \
    X(kPageEventsNotConnected, 17, textid::kEventsNotConnected, Append, false, Never)   \
    X(kDialogNotCreated, 18, textid::kDialogNotCreated, Append, true, Never)            \
    X(kThreadNotCreated, 19, textid::kThreadNotCreated, Append, true, Never)            \
    X(kThreadNotStarted, 20, textid::kThreadNotStarted, Append, true, Never)            \
    X(kWorkerStandbyFailed, 21, textid::kWorkerStandbyFailed, Replace, true, Never)     \
    X(kDigestFailed, 22, textid::kHashFailed, Append, false, Never)                     \
    X(kFileError, 100, 0, Append, true, Never)                                          \
    X(kWorkFileNotCreated, 101, textid::kWorkFileNotCreated, Replace, true, Never)      \
    X(kInvalidLocalPath, 102, textid::kInvalidWorkFilePath, Append, false, Never)       \
    X(kNotPlaced, 103, textid::kRenameFailed, Replace, true, Never)                     \
    X(kDiskFull, 104, textid::kDiskFull, Append, false, Never)                          \
    X(kBadParameter, 200, textid::kParameterInvalid, Replace, false, Never)             \
    X(kInvalidUrl, 201, textid::kInvalidUrl, Append, false, Never)                      \
    X(kInternetError, 300, 0, Append, false, Connection)                                \
    X(kHttpStatus, 301, 0, Append, false, Never)                                        \
    X(kNoHttpStatus, 302, textid::kNoHttpStatus, Append, true, Never)                   \
    X(kHtmlAnswer, 303, textid::kServerProblem, Append, false, Never)                   \
    X(kReadTimedOut, 304, textid::kServerTimeout, Replace, false, Connection)           \
    X(kOffline, 305, textid::kWorkOffline, Replace, false, Never)                       \
    X(kAssistantNotStarted, 400, textid::kAssistantNotStarted, Append, true, Never)     \
    X(kAssistantNotGreeted, 401, textid::kAssistantNotInitialised, Append, true, Never) \
    X(kAssistantEnded, 402, textid::kAssistantStopped, Replace, false, Never)           \
    X(kFilesBroken, 500, textid::kCorruptedFiles, Replace, false, Never)                \
    X(kShortBody, 501, 0, Append, false, ShortBody)                                     \
    /* Also a request the assistant program could not be sent. */                       \
    X(kInternalError, 999, textid::kInternalError, Append, false, Never)

namespace errcode {

#define KIV_ERROR_CODE_CONSTANT(name, code, textId, placement, systemText, retry) \
    inline constexpr std::int32_t name = code;
KIV_ERROR_CODES(KIV_ERROR_CODE_CONSTANT)
#undef KIV_ERROR_CODE_CONSTANT

}  // namespace errcode

namespace kivtransfer {

struct ErrorCodeRow {
    std::int32_t code;
    unsigned textId;
    CodePlacement placement;
    bool systemText;
    ErrorRetry retry;
};

// The code's row; nullptr for a number that is not a code.
const ErrorCodeRow* FindErrorCode(std::int32_t code);

}  // namespace kivtransfer

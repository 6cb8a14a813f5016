#pragma once
// The program's exit statuses.
#include <cstdint>

#include "transfer/ErrorCodes.h"

inline constexpr int kExitSuccess = 0;    // the run completed, or the requested action did
inline constexpr int kExitCancelled = 1;  // the user cancelled the run
inline constexpr int kExitFailure = 2;    // the run failed, or the input was unusable

// The exit status for the control's error code at the end of a run.
constexpr int ExitStatusForErrorCode(std::int32_t errorCode) {
    return errorCode == errcode::kNone        ? kExitSuccess
           : errorCode == errcode::kCancelled ? kExitCancelled
                                              : kExitFailure;
}

#pragma once
// The first failure of a run: code (transfer/ErrorCodes.h), the system, WinINet
// or HTTP number that goes with it, and a detail text (parameter name, URL,
// broken-file list, the name of the item a file error concerns).
//
// The code and number are atomic: the worker sets them as it fails, while
// the window thread may set the assistant program's end (402) and read them
// for its message at the same time. The detail text is the worker's alone
// until it has reported the failure.
#include <atomic>
#include <cstdint>
#include <string>

#include "transfer/ErrorCodes.h"

namespace kivtransfer {

struct ErrorState {
    std::atomic<std::int32_t> errorCode{0};
    std::atomic<std::uint32_t> lastError{0};
    std::string errorDetail;

    ErrorState() = default;
    ErrorState(const ErrorState& other)
        : errorCode(other.errorCode.load()),
          lastError(other.lastError.load()),
          errorDetail(other.errorDetail) {}
    ErrorState& operator=(const ErrorState& other) {
        errorCode = other.errorCode.load();
        lastError = other.lastError.load();
        errorDetail = other.errorDetail;
        return *this;
    }

    void Set(std::int32_t code, std::uint32_t error = 0) {
        errorCode = code;
        lastError = error;
    }
};

}  // namespace kivtransfer

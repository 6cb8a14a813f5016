#pragma once
// The first failure of a run: code (0 none, 1 cancelled), the system, WinINet
// or HTTP number that goes with it, and a detail text (parameter name, URL,
// broken-file list).
#include <cstdint>
#include <string>

struct ErrorState {
    std::int32_t errorCode = 0;
    std::uint32_t lastError = 0;
    std::string errorDetail;

    void Set(std::int32_t code, std::uint32_t error = 0) {
        errorCode = code;
        lastError = error;
    }
};

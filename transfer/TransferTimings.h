#pragma once
// Waits of the transfer engine. The defaults are the product's; tests shorten them.
#include <cstdint>

namespace kivtransfer {

struct TransferTimings {
    std::uint32_t readTimeoutMs = 7000;      // one guarded chunk read
    std::uint32_t retryPauseMs = 3000;       // between connection attempts
    std::uint32_t resetPauseMs = 1000;       // after a connection reset
    std::uint32_t leavePromptPauseMs = 500;  // pause handshake while the page asks to leave
    std::uint32_t browserDialogTimeoutMs = 500;
};

}  // namespace kivtransfer

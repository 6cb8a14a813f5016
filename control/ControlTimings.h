#pragma once
// Waits of the control and its worker. The defaults are the product's;
// tests shorten them so that whole runs stay quick.
#include <cstdint>

#include "transfer/TransferTimings.h"

namespace kivcontrol {

struct ControlTimings {
    // Teardown's wait for a worker that is blocked in a network read.
    std::uint32_t teardownGraceMs = 5000;
    // How long the worker lingers after a successful run (cut short by cancel).
    std::uint32_t completionPauseMs = 3000;
    // While teardown waits for the worker it looks this often for question
    // boxes the worker has open, and closes them.
    std::uint32_t teardownPollMs = 50;
    kivtransfer::TransferTimings transfer;
};

}  // namespace kivcontrol

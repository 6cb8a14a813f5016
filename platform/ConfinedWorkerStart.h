#pragma once
// The confined worker process's own first steps, before it reads a byte
// from the network or from the channel: the system-call filter
// (SyscallFilter.h) on top of what the spawn set up, and an account of what
// holds, for the unconfined side to tell the user. ConfinementGaps words
// what a kernel cannot give, once, at start.
#include <optional>
#include <string>
#include <vector>

#include "platform/BoundaryFrame.h"

namespace win {

struct ConfinementState {
    bool noNewPrivileges = false;
    bool noTerminal = false;  // no controlling terminal can be opened
    bool syscallFilter = false;
};

// Installs the filter and reports what holds.
ConfinementState FinishConfinement();

// The worker's first frame: what FinishConfinement found, three numbers.
constexpr std::uint16_t kConfinementReportKind = 1;
BoundaryMessage ConfinementReport(const ConfinementState& state);
// The unconfined side's reading: exactly three fields, each 0 or 1; anything
// else is no report.
std::optional<ConfinementState> ReadConfinementReport(const BoundaryMessage& message);

// Plain sentences, one per gap: no Landlock at all, Landlock without the
// scoping of abstract sockets (before ABI 6), no system-call filter.
std::vector<std::string> ConfinementGaps(int landlockAbi, bool syscallFilter);

}  // namespace win

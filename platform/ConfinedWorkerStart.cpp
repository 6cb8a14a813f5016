#include "platform/ConfinedWorkerStart.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "platform/Landlock.h"
#include "platform/SyscallFilter.h"

namespace win {

ConfinementState FinishConfinement() {
    ConfinementState state;
    // The filter needs it, and a parent that did not set it is not trusted to have.
    state.noNewPrivileges = prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
    state.syscallFilter = state.noNewPrivileges && InstallWorkerSyscallFilter(true);
    const int terminal = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    state.noTerminal = terminal < 0;
    if (terminal >= 0) close(terminal);
    return state;
}

BoundaryMessage ConfinementReport(const ConfinementState& state) {
    BoundaryMessage message;
    message.kind = kConfinementReportKind;
    message.AddNumber(state.noNewPrivileges)
        .AddNumber(state.noTerminal)
        .AddNumber(state.syscallFilter);
    return message;
}

std::optional<ConfinementState> ReadConfinementReport(const BoundaryMessage& message) {
    if (message.kind != kConfinementReportKind || message.fields.size() != 3) return std::nullopt;
    bool flags[3];
    for (std::size_t i = 0; i < 3; ++i) {
        const auto value = message.Number(i);
        if (!value || *value > 1) return std::nullopt;
        flags[i] = *value == 1;
    }
    return ConfinementState{flags[0], flags[1], flags[2]};
}

std::vector<std::string> ConfinementGaps(int landlockAbi, bool syscallFilter) {
    std::vector<std::string> gaps;
    if (landlockAbi == 0) {
        gaps.push_back(
            "this kernel offers no Landlock: the download worker's file writes are "
            "not confined");
    } else if (!LandlockScopes(landlockAbi)) {
        gaps.push_back("this kernel's Landlock (version " + std::to_string(landlockAbi) +
                       ") cannot scope abstract Unix sockets: the download worker is kept from "
                       "them by its system-call filter alone");
    }
    if (!syscallFilter) {
        gaps.push_back(
            "this kernel filters no system calls: the download worker may use "
            "every one of them (terminals, other processes, Unix sockets)");
    }
    return gaps;
}

}  // namespace win

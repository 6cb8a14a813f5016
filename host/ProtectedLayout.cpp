#include "host/ProtectedLayout.h"

#include <cstdlib>

#include "host/HostText.h"
#include "platform/ConfinedWorkerStart.h"
#include "platform/FifoEvents.h"
#include "platform/Landlock.h"
#include "platform/LastError.h"
#include "platform/ProcessSettings.h"
#include "platform/SyscallFilter.h"
#include "platform/SystemErrorText.h"

using kivcontrol::ExistingFiles;

namespace {

constexpr const char* kDestinationVariable = "KIVDL_DESTINATION";
constexpr const char* kExistingVariable = "KIVDL_EXISTING";

const char* ExistingAnswer(ExistingFiles existing) {
    switch (existing) {
        case ExistingFiles::Resume:
            return "resume";
        case ExistingFiles::Restart:
            return "restart";
        default:
            return nullptr;
    }
}

// The assistant inherits this process's environment; stale answers from
// our own caller must not reach it either.
void HandOverAnswers(const HostOptions& options) {
    if (options.destination.empty()) {
        unsetenv(kDestinationVariable);
    } else {
        setenv(kDestinationVariable, options.destination.c_str(), 1);
    }
    const char* existing = ExistingAnswer(options.existing);
    if (existing == nullptr) {
        unsetenv(kExistingVariable);
    } else {
        setenv(kExistingVariable, existing, 1);
    }
}

}  // namespace

bool EnterProtectedLayout(const HostOptions& options, std::ostream& notes, std::string& error) {
    win::SetProtectedLayout(true);
    if (!win::InstallFifoEventBackend()) {
        error = HostText(textid::kNoNamedEvents, {win::FormatSystemMessage(win::GetLastError())});
        return false;
    }
    HandOverAnswers(options);
    // Once, at start: what this kernel cannot give the worker's confinement.
    for (const std::string& gap :
         win::ConfinementGaps(win::LandlockAbiVersion(), win::SyscallFilterAvailable())) {
        notes << "kiv-downloader: " << gap << "\n";
    }
    return true;
}

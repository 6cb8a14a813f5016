#include "programs/assistant/StandinProgram.h"

#include <csignal>
#include <string>

#include "assistant/AssistantIds.h"
#include "assistant/AssistantRecords.h"
#include "control/ControlIds.h"
#include "env/Locations.h"
#include "env/PathRules.h"
#include "platform/Event.h"
#include "platform/FifoEvents.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/Wait.h"
#include "programs/assistant/StandinReport.h"
#include "programs/assistant/StandinRequests.h"

using kivassistant::kAssistantWorkFileName;

namespace {

// How often the control's presence is checked while no request comes.
constexpr win::DWORD kPollMs = 500;

int Fail(const std::string& what) {
    ReportLine(what + ": error " + std::to_string(win::GetLastError()));
    return 1;
}

// The work file in the low-integrity temporary folder, where the control
// writes it (the control starts us only in that layout).
bool WorkFilePath(std::string& nativePath) {
    std::string folder;
    return env::GetLowTempFolder(folder) &&
           win::ToNativePath(env::AddTrailingBackslash(folder) + kAssistantWorkFileName,
                             nativePath);
}

}  // namespace

int RunStandin() {
    // Ctrl+C belongs to the host; a cancel reaches us through the control.
    std::signal(SIGINT, SIG_IGN);
    if (!win::InstallFifoEventBackend()) return Fail("no runtime folder for the named events");
    // CreateEvent, not OpenEvent: only that joins as an auto-reset event we can wait on.
    const win::CHandle request(win::CreateEvent(false, false, kRequestEventName));
    if (!request.IsValid()) return Fail("cannot open the request event");
    // The control's cancel event: set when a request cannot be answered, so
    // that the control's wait for the reply ends instead of lasting forever.
    const win::CHandle cancel(win::OpenEvent(kCancelEventName));
    std::string workFile;
    if (!WorkFilePath(workFile)) return Fail("no folder for the work file");

    std::string warning;
    CStandinRequests requests(workFile, DestinationAnswersFromEnvironment(warning),
                              cancel.Handle());
    if (!warning.empty()) ReportLine(warning);
    for (;;) {
        const win::DWORD waited = win::WaitForSingleObject(request.Handle(), kPollMs);
        if (waited == win::WAIT_OBJECT_0) {
            if (!requests.HandleRequest()) return 0;
        } else if (waited != win::WAIT_TIMEOUT) {
            return Fail("waiting for requests failed");
        }
        if (requests.Watch().ControlGone()) return 0;
    }
}

#pragma once
// One request at a time, as the control sends them: read the work file, do
// what it asks and send exactly one reply that carries an outcome (a resume
// decision may precede the destination). A malformed request is answered
// as a failure; the control never waits in vain.
#include <cstdint>
#include <set>
#include <span>
#include <string>

#include "platform/CopyData.h"
#include "platform/KernelTypes.h"
#include "platform/UniqueFd.h"
#include "programs/assistant/AcceptedFolder.h"
#include "programs/assistant/ControlWatch.h"
#include "programs/assistant/StandinDestination.h"
#include "programs/assistant/StandinWorkFile.h"

class CStandinRequests {
public:
    // `cancelEvent`: the control's, set when a reply cannot be sent; may be null.
    CStandinRequests(std::string workFile, DestinationAnswers answers, win::HANDLE cancelEvent)
        : workFile_(std::move(workFile)), answers_(std::move(answers)), cancelEvent_(cancelEvent) {}

    // Answers the request in the work file. False once a reply found the
    // reply window gone: the control has ended.
    bool HandleRequest();
    const CControlWatch& Watch() const { return watch_; }

private:
    bool HandleGreeting(WorkFileBytes file);
    bool HandleContentList(WorkFileBytes file);
    bool HandlePlaceFile(WorkFileBytes file);
    // 0 with the name to place under in the accepted folder, or why
    // `destination` (Windows form) is no place the user chose for an item of
    // this run, or why that folder can no longer be trusted to be it.
    win::DWORD CheckDestination(const std::string& destination, std::string& name) const;
    // 0 when `source` (Windows form) lies within the low-integrity temporary
    // folder, also after every link on the way: `folder` is then its folder,
    // held open, and `nativeSource` the file's path through that descriptor.
    // Else ERROR_ACCESS_DENIED.
    win::DWORD CheckSource(const std::string& source, win::CUniqueFd& folder,
                           std::string& nativeSource) const;
    // Sends one reply; false only when the reply window is gone. A reply
    // that cannot be sent otherwise cancels the control's run.
    bool Reply(win::ULONG_PTR kind, std::span<const std::uint8_t> payload = {});
    // `keptAside`: the name (process code page) an entry in the file's way
    // now has in the destination folder; empty when there was none.
    bool ReplyPlaceOutcome(win::DWORD code, const std::string& keptAside = {});

    const std::string workFile_;  // native path
    const DestinationAnswers answers_;
    const win::HANDLE cancelEvent_;
    CControlWatch watch_;
    CAcceptedFolder acceptedFolder_;  // held from the folder's choice on
    std::set<std::string> itemNames_;
};

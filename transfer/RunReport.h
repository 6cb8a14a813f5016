#pragma once
// What a run tells a host that keeps its own account of it (a log of file
// events, a summary, the HTTP exchange when asked for), beside the dialog's
// messages. Optional: the engine reports only when the host gave one through
// the control's services. Called on the worker thread; the texts and the
// items' fields are in the process code page. The engine knows nothing of
// how it is shown.
#include <cstddef>
#include <cstdint>
#include <string>

#include "transfer/ContentData.h"
#include "transfer/ErrorState.h"

namespace kivtransfer {

class IRunReport {
public:
    virtual ~IRunReport() = default;
    // The item's download starts (`index` counts from 0 of `count` items).
    virtual void FileStarted(const CONTENTDATA& item, std::size_t index, std::size_t count) = 0;
    // The attempt that failed with `failure` is followed by attempt `attempt`
    // of at most `attempts`.
    virtual void FileRetrying(const CONTENTDATA& item, const ErrorState& failure, int attempt,
                              int attempts) = 0;
    // The item is complete on disk; `received` bytes came over the network in this run.
    virtual void FileDone(const CONTENTDATA& item, std::uint64_t received) = 0;
    // The item's download ended without it: failed, cancelled or stopped by
    // a full disk; `received` bytes of it came over the network in this run.
    virtual void FileStopped(const CONTENTDATA& /*item*/, std::uint64_t /*received*/) {}
    // The item's hash was checked.
    virtual void FileVerified(const CONTENTDATA& item, bool matches) = 0;
    // The assistant program moved the item to its final path (item.localPath).
    virtual void FilePlaced(const CONTENTDATA& item) = 0;
    // A file that had the item's name but was not the item's was moved to
    // item.keptAsideAs in the same folder, before the download took the name.
    virtual void FileKeptAside(const CONTENTDATA& item) = 0;
    // One line of the HTTP exchange: a request line, a status, a header.
    virtual void HttpDetail(const std::string& line) = 0;
};

}  // namespace kivtransfer

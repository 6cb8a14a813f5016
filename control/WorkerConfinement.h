#pragma once
// The protected layout confines the download worker's writes: it may create
// and write files only in its work folders; the destination is reached
// through the assistant program alone, and what the next run trusts (the
// user's settings store with the module's registration) stays out of reach.
#include <string>
#include <vector>

namespace kivcontrol {

// Native paths the worker needs to write below: the low-integrity temporary
// folder (downloads in progress, the assistant's work file and the
// temporary-files folder, which must lie within it), the version file's
// folder, the low-integrity settings store's folder (the browser's writable
// registry key on Windows). No folder named by a setting is ever a rule.
std::vector<std::string> WorkerWritableFolders();

// The runtime folder, with the named events' and mutexes' files: the worker
// may open the files there for writing (to lock or signal them) but make,
// rename, link or remove nothing, so it cannot plant a link on another
// run's lock file.
std::vector<std::string> WorkerLockFolders();

// Switches the calling thread to the low-integrity settings store, confines
// its writes to those folders (and, where the kernel offers it, away from
// abstract Unix sockets made outside it) and installs the worker's
// system-call filter (SyscallFilter.h) on it. False when the kernel cannot
// do both (the thread then runs with what it could get, still with the low
// store; the last error says why).
bool ConfineWorkerWrites();

}  // namespace kivcontrol

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
// registry key on Windows) and the runtime folder that holds the named
// events' and mutexes' files. No folder named by a setting is ever a rule.
std::vector<std::string> WorkerWritableFolders();

// Switches the calling thread to the low-integrity settings store and
// confines it to those folders. False when the kernel cannot (the thread then
// runs unconfined, still with the low store; the last error says why).
bool ConfineWorkerWrites();

}  // namespace kivcontrol

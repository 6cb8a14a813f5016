#pragma once
// The protected layout confines the download worker's writes: it may create
// and write files only in its work folders; the destination is reached
// through the assistant program alone.
#include <string>
#include <vector>

// Native paths the worker needs to write below: the low-integrity temporary
// folder (downloads in progress and the assistant's work file), the
// temporary-files folder when the user moved it elsewhere, the version
// file's folder, the settings store's folder (the browser's writable
// registry key on Windows) and the runtime folder that holds the named
// events' and mutexes' files.
std::vector<std::string> WorkerWritableFolders();

// Confines the calling thread to those folders. False when the kernel
// cannot (the thread then runs unconfined; the last error says why).
bool ConfineWorkerWrites();

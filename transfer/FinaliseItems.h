#pragma once
// Phase 4 of a run: finished files get their final place and visibility.
// Broken files are left as they are (hidden, or in the temporary folder).
#include "transfer/DownloadControl.h"
#include "transfer/FilePlacer.h"

namespace kivtransfer {

// Without the assistant program every good file loses only its hidden bit;
// with it, `placer` moves each good file to the destination folder and the
// item's local path becomes the final path. Every item is then flagged
// finalised, broken ones included.
// Failures: 103 when a file could not be made visible or the assistant did
// not place it (the system's or the assistant's code stays in lastError),
// 999 when the request could not be sent (also when assistant mode has no
// placer), 10 out of memory.
bool FinaliseItems(IDownloadControl& control, IFilePlacer* placer);

}  // namespace kivtransfer

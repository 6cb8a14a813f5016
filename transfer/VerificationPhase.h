#pragma once
// Phase 3 of a run: every finished file the page gave a hash for is hashed
// and compared; mismatching items are flagged CDF_BROKEN. The version file
// then forgets each good item and marks each broken one "FILEBROKEN", so the
// next run downloads it again from the start.
#include "transfer/DownloadControl.h"

namespace kivtransfer {

// Items without a hash, and files found complete without a version-file
// entry (CDF_UNRECORDED: hashed when preparation judged them, if the page
// gave a hash), are not hashed and count as good.
// Failures: 22 when a digest cannot be computed (with the system's last
// error; also when the run is cancelled meanwhile), 500 when at least one
// file did not match, 10 out of memory.
bool VerificationPhase(IDownloadControl& control);

}  // namespace kivtransfer

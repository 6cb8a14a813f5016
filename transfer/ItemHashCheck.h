#pragma once
// Hashing one item's local file while the dialog shows it being verified:
// its name, the status "Verifying file.", its size and the position.
#include "transfer/ContentData.h"
#include "transfer/DownloadControl.h"
#include "transfer/HashProgress.h"
#include "transfer/TransferResult.h"

namespace kivtransfer {

// True when the file's SHA-256 matches the page's hash (either case).
// `stepOverall`: the overall bar moves on, as it does per file in the
// verification phase. A file that cannot be hashed (also a cancelled run)
// fails with 22 and the system's last error. `otherNames`: a file that is
// only judged, never written, may have other names.
TransferOutcome<bool> ItemFileMatchesHash(IDownloadControl& control, CHashProgress& progress,
                                          const CONTENTDATA& item, bool stepOverall,
                                          bool otherNames = false);

}  // namespace kivtransfer

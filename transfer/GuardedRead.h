#pragma once
// One bounded read of a response body: at most the control's read time-out
// long, ended at once by the cancel event, and none at all once teardown
// holds the read gate.
#include <cstddef>

#include "platform/HttpFile.h"
#include "transfer/DownloadControl.h"
#include "transfer/TransferResult.h"

namespace kivtransfer {

constexpr std::size_t kTransferChunkSize = 16384;

// Returns the bytes read into `buffer` (at most `count`); 0 at the end of the
// body or when the read gate is held. Cancellation fails with 1, a time-out
// with 304, a body cut short with 501; internet errors propagate as
// win::CInternetException.
TransferOutcome<std::size_t> GuardedRead(IDownloadControl& control, win::CHttpFile& request,
                                         char* buffer, std::size_t count);

}  // namespace kivtransfer

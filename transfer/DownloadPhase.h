#pragma once
// Phase 2 of a run: prepare every item (size query, local path, resume
// decision against the version file), then transfer the items in list order,
// retrying connection failures and short bodies.
#include <memory>

#include "platform/HttpFile.h"
#include "transfer/DownloadControl.h"
#include "transfer/TransferResult.h"

namespace kivtransfer {

bool DownloadPhase(IDownloadControl& control);

// The phase's first step; also sets the control's remaining byte count.
// Something other than a plain file at an item's local path (a link, a
// folder, a FIFO, a device; with resume also a file of another user or with
// a second name) ends it untouched with a file error (100) naming the item.
// A file of the announced size without a record is hashed when the page
// gave a hash: it is complete when it matches, else the item starts over.
bool PrepareItems(IDownloadControl& control);

// The item's size query, tried again after connection failures as
// DecideRetry says; each failed query stores its failure (SizeQuery is an
// edge of its own), so a failure comes back as stored already.
// `begun` is the first attempt's request, already sent (null: none).
TransferResult QuerySizeWithRetries(IDownloadControl& control, CONTENTDATA& item,
                                    std::unique_ptr<win::CHttpFile> begun = nullptr);

}  // namespace kivtransfer

#include "transfer/DownloadPhase.h"

#include <strings.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/FileApi.h"
#include "platform/LastError.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/HeldFile.h"
#include "transfer/HttpTransfer.h"
#include "transfer/ItemRecords.h"
#include "transfer/RetryDecision.h"
#include "transfer/TransferResult.h"
#include "transfer/TransfersAhead.h"

namespace kivtransfer {

namespace {

// A source found changed under a transfer is asked for its size again and
// started over this often; the next change ends the item (errcode::kShortBody).
constexpr std::int32_t kSourceRestarts = 1;

void SendStatus(IDialogPort& control, unsigned textId) {
    const std::string text = res::LoadString(textId);
    control.SendToDialog(DLGM_STATUS, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool PlayButtonRequested(const IRunSettings& control) {
    return strcasecmp(control.LookupText("playbutton").c_str(), "on") == 0;
}

void ReportRetry(IDownloadControl& control, const CONTENTDATA& item, int failed, int attempts) {
    if (IRunReport* report = control.Report()) {
        report->FileRetrying(item, control.Error(), failed + 1, attempts);
    }
}

// Whether the failure stored in `error` is worth another attempt; prepares it.
bool PrepareRetry(IDownloadControl& control, CONTENTDATA& item) {
    ErrorState& error = control.Error();
    const RetryDecision retry =
        DecideRetry(RetryStage::Transfer, error.errorCode, {item.connectRetries, item.sizeRetries});
    if (!retry.again) {
        return false;
    }
    if (retry.counter == ErrorRetry::Connection) {
        ReportRetry(control, item, item.connectRetries, retry.attempts);
        control.PostToDialog(DLGM_RATETIME, 0, -3);  // "Recalculating"
        error = ErrorState{};
        control.Sleep(control.Timings().retryPauseMs);
    } else {
        ReportRetry(control, item, item.sizeRetries, retry.attempts);
        error = ErrorState{};
    }
    item.flags |= CDF_RETRY;
    return true;
}

// The item starts over with what a new size query says of it.
TransferResult RestartChangedSource(IDownloadControl& control, CONTENTDATA& item) {
    control.Error() = ErrorState{};
    std::uint64_t written = 0;
    if (!win::GetFileSize(item.localPath, written)) {
        written = 0;  // nothing there: nothing to count again
    }
    CRunCounters& counters = control.Counters();
    counters.AddRemainingBytes(written);
    counters.CountOffRemainingBytes(item.size);
    if (TransferResult sized = QuerySizeWithRetries(control, item); !sized.Ok()) {
        return sized;
    }
    counters.AddRemainingBytes(item.size);
    control.PostToDialogWindow(DLGM_CURRENTTOTAL, Low32(item.size), High32(item.size));
    item.flags |= CDF_RETRY;
    return TransferResult::Done();
}

// The bytes of the items whose sizes are known, for the dialog's overall bar.
void SendRunBytes(IDownloadControl& control) {
    std::uint64_t total = 0;
    for (const auto& item : control.Items()) total += item->size;
    control.SendToDialog(DLGM_RUNBYTES, Low32(total), High32(total));
}

TransferResult CountForVerification(IDownloadControl& control, const CONTENTDATA& item) {
    if (item.hash.empty() || (item.flags & CDF_UNRECORDED) != 0) {
        return TransferResult::Done();
    }
    std::uint64_t size = 0;
    if (!win::GetFileSize(item.localPath, size)) {
        return TransferResult::FileFailed(win::GetLastError(), item.name);
    }
    control.Counters().AddFileToVerify(size);
    return TransferResult::Done();
}

// Each failed attempt stored its failure (FileTransfer is an edge of its
// own); the last one is the item's.
TransferResult DownloadItem(IDownloadControl& control, std::size_t index,
                            std::unique_ptr<win::CHttpFile>& begunGet) {
    CONTENTDATA& item = *control.Items()[index];
    control.SendToDialog(DLGM_FILENAME, reinterpret_cast<WPARAM>(item.name.c_str()), 0);
    // A send waits for the dialog's thread, and the status stays the same from
    // the first file to the last: nothing in this loop changes it. (The step
    // stays a send: a posted one could reach the dialog after the next phase's
    // sends have set its range.)
    if (index == 0) SendStatus(control, textid::kDownloadingFiles);
    control.SendToDialog(DLGM_OVERALLSTEP, 0, 0);
    if (index == 0 && PlayButtonRequested(control)) {
        control.PostToDialog(DLGM_PLAYBUTTON, 5, 0);
    }
    FileTransferRequest request;
    request.url = item.url;
    request.localPath = item.localPath;
    request.itemIndex = index;
    request.begunGet = &begunGet;
    IRunReport* report = control.Report();
    if (report != nullptr) report->FileStarted(item, index, control.Items().size());
    // Counted as they arrive: a body of unknown size or a range answered
    // with the whole file still tells what came.
    const std::uint64_t receivedBefore = control.Counters().ReceivedBytes();
    const auto stopped = [&](TransferResult result) {
        if (report != nullptr) {
            report->FileStopped(item, control.Counters().ReceivedBytes() - receivedBefore);
        }
        return result;
    };
    for (;;) {
        const std::int32_t sourceChanges = item.sourceChanges;
        if (FileTransfer(control, request)) {
            break;
        }
        if (item.sourceChanges != sourceChanges && item.sourceChanges <= kSourceRestarts) {
            if (TransferResult restarted = RestartChangedSource(control, item); !restarted.Ok()) {
                return stopped(restarted);
            }
        } else if (item.sourceChanges != sourceChanges || !PrepareRetry(control, item)) {
            return stopped(TransferResult::StoredAlready());
        }
    }
    item.flags |= CDF_COMPLETE;
    if (report != nullptr) {
        report->FileDone(item, control.Counters().ReceivedBytes() - receivedBefore);
    }
    return CountForVerification(control, item);
}

void SendFailureStatus(IDownloadControl& control) {
    const std::int32_t code = control.Error().errorCode;
    if (code == errcode::kCancelled) {
        SendStatus(control, textid::kDownloadCancelled);
    } else if (code != errcode::kFileError) {
        SendStatus(control, textid::kDownloadError);
    }
}

}  // namespace

bool DownloadPhase(IDownloadControl& control) {
    const bool done = StoreResultOf(control.Error(), [&] {
        const std::size_t count = control.Items().size();
        if (count == 0) {
            return TransferResult::Failed(errcode::kInternalError);
        }
        control.SendToDialog(DLGM_OVERALLRANGE, 0, static_cast<LPARAM>(count));
        SendStatus(control, textid::kPreparing);
        ReleaseHeldFiles(control.Items());  // an earlier run's, before anything is moved
        if (!PrepareItems(control)) {
            return TransferResult::StoredAlready();
        }
        SendRunBytes(control);
        ClaimItemFiles(control);
        CTransfersAhead ahead(control);
        for (std::size_t index = 0; index < count; ++index) {
            ahead.BeginAfter(index);
            if (TransferResult downloaded = DownloadItem(control, index, ahead.Slot(index));
                !downloaded.Ok()) {
                return downloaded;
            }
        }
        return TransferResult::Done();
    });
    if (!done) {
        // Only running out of memory can fail here; it takes the failure's place.
        StoreResultOf(control.Error(), [&] {
            SendFailureStatus(control);
            ReleaseUnusedClaims(control);
            return TransferResult::Done();
        });
    }
    return done;
}

}  // namespace kivtransfer

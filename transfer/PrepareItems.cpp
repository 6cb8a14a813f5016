#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "env/Application.h"
#include "platform/FileApi.h"
#include "platform/KeepAside.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/DownloadPhase.h"
#include "transfer/HashProgress.h"
#include "transfer/HttpTransfer.h"
#include "transfer/ItemHashCheck.h"
#include "transfer/LocalFileVerdict.h"
#include "transfer/RetryDecision.h"
#include "transfer/RunReport.h"
#include "transfer/SizeQueriesAhead.h"
#include "transfer/TransferResult.h"
#include "transfer/VersionFile.h"
#include "transfer/VersionFileKey.h"
#include "transfer/WorkFiles.h"

namespace kivtransfer {

namespace {

// The bits the engine keeps its own state in. A record's number may add other
// flag bits but never these: the record can be written by the confined
// worker, and a forged row must not mark a file unrecorded (never hashed),
// broken or finished.
constexpr std::uint32_t kEngineStateFlags = CDF_PREPARED | CDF_RETRY | CDF_RESUME | CDF_RECEIVING |
                                            CDF_BROKEN | CDF_UNRECORDED | CDF_COMPLETE |
                                            CDF_FINALIZED;

// Only a plain file of this user, with no other name, may be taken as the
// item's: anything else with its name (a link, a folder, a FIFO, a device,
// someone else's file) is refused as it stands, so nothing is written,
// deleted or read through it.
TransferOutcome<win::FileEntry> EntryAtLocalPath(const CONTENTDATA& item, bool resumeAllowed) {
    win::FileEntry entry;
    if (!win::LookAtEntry(item.localPath, entry)) {
        return TransferResult::FileFailed(win::GetLastError(), item.name);
    }
    if (entry.exists && (!entry.isFile || (resumeAllowed && !entry.isOwnedAlone))) {
        return TransferResult::FileFailed(win::ERROR_ACCESS_DENIED, item.name);
    }
    return entry;
}

// A file of the announced size with no record may have been put there by
// anyone: with a hash to compare it is hashed now, as the verification
// would, and kept only when it matches.
TransferOutcome<bool> UnrecordedFileMatches(IDownloadControl& control, const CONTENTDATA& item) {
    CHashProgress progress(control, item.size);
    control.Meter().Restart();
    TransferOutcome<bool> matches =
        ItemFileMatchesHash(control, progress, item, /*stepOverall=*/false);
    if (!matches.Ok()) {
        return matches;
    }
    const std::string status = res::LoadString(textid::kPreparing);
    control.SendToDialog(DLGM_STATUS, 0, reinterpret_cast<LPARAM>(status.c_str()));
    return matches;
}

// A file without a record of ours is the item's complete file when it has
// the announced size and, with a hash given, that hash. (A finished run
// leaves no record either: its files are taken again this way.)
TransferOutcome<bool> UnrecordedFileIsTheItems(IDownloadControl& control, const CONTENTDATA& item,
                                               std::uint64_t localSize) {
    if (item.size == 0 || localSize != item.size) return false;
    if (item.hash.empty()) return true;
    return UnrecordedFileMatches(control, item);
}

// Someone's file with the item's name: moved to "NAME (1).EXT" (or the next
// free number) so the download never replaces or continues it.
TransferResult KeepFileAside(IDownloadControl& control, CONTENTDATA& item) {
    std::string native;
    std::string keptNative;
    std::string kept;
    if (!win::ToNativePath(item.localPath, native)) {
        return TransferResult::FileFailed(win::GetLastError(), item.name);
    }
    if (const int error = win::KeepAside(native, keptNative)) {
        return TransferResult::FileFailed(win::Win32FromErrno(error), item.name);
    }
    if (!win::FromNativePath(keptNative, kept)) {
        return TransferResult::FileFailed(win::GetLastError(), item.name);
    }
    item.keptAsideAs = kept.substr(kept.rfind('\\') + 1);
    if (IRunReport* report = control.Report()) report->FileKeptAside(item);
    return TransferResult::Done();
}

// Flags the item complete or resumable from the file already on disk and
// returns the bytes that need no transfer. At the final path (no assistant)
// a file with no record of ours that is not the item's complete file is
// kept aside, whatever the answer to the existing-files question was; the
// assistant's work folder holds only the program's own files.
TransferOutcome<std::uint64_t> JudgeExistingFile(IDownloadControl& control, CONTENTDATA& item,
                                                 std::uint64_t localSize) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    const std::string& key = VersionFileKey(control, item);
    std::string storedText;
    const bool recorded = versionFile.GetStoredText(key, storedText) != 0;
    if (!recorded) {
        storedText.clear();
        if (!control.HasAssistant()) {
            const TransferOutcome<bool> itemsFile =
                UnrecordedFileIsTheItems(control, item, localSize);
            if (!itemsFile.Ok()) return itemsFile.Result();
            if (!*itemsFile) {
                TransferResult keptAside = KeepFileAside(control, item);
                if (!keptAside.Ok()) return keptAside;
                return 0;
            }
            if (!control.ResumeAllowed()) return 0;  // replaced by the same bytes
            item.flags |= CDF_COMPLETE | CDF_UNRECORDED;
            return localSize;
        }
    }
    if (!control.ResumeAllowed()) return 0;
    switch (JudgeLocalFile(localSize, item.size, recorded, storedText, item.lastModified)) {
        case LocalFileVerdict::Complete:
            if (!recorded && !item.hash.empty()) {
                const TransferOutcome<bool> matches = UnrecordedFileMatches(control, item);
                if (!matches.Ok()) return matches.Result();
                if (!*matches) return 0;  // not this item's file: it starts over, nothing is broken
            }
            item.flags |= CDF_COMPLETE;
            item.flags |= recorded ? static_cast<std::uint32_t>(versionFile.GetNumber(key)) &
                                         ~kEngineStateFlags
                                   : CDF_UNRECORDED;
            return localSize;
        case LocalFileVerdict::Resume:
            item.flags |= CDF_RESUME;
            return localSize;
        case LocalFileVerdict::Discard:
            break;
    }
    return 0;
}

TransferResult PrepareItem(IDownloadControl& control, CONTENTDATA& item,
                           std::unique_ptr<win::CHttpFile> begunQuery) {
    item.flags |= CDF_PREPARED;
    if (TransferResult sized = QuerySizeWithRetries(control, item, std::move(begunQuery));
        !sized.Ok()) {
        return sized;
    }
    control.Counters().AddRemainingBytes(item.size);
    std::string localPath;
    if (!LocalPathOfItem(control, item, localPath)) {
        return TransferResult::StoredAlready();
    }
    item.localPath = localPath;
    const TransferOutcome<win::FileEntry> entry = EntryAtLocalPath(item, control.ResumeAllowed());
    if (!entry.Ok()) {
        return entry.Result();
    }
    if (!entry->exists) {
        return TransferResult::Done();
    }
    const TransferOutcome<std::uint64_t> present = JudgeExistingFile(control, item, entry->size);
    if (!present.Ok()) {
        return present.Result();
    }
    control.Counters().CountOffRemainingBytes(*present);
    return TransferResult::Done();
}

}  // namespace

TransferResult QuerySizeWithRetries(IDownloadControl& control, CONTENTDATA& item,
                                    std::unique_ptr<win::CHttpFile> begun) {
    ErrorState& error = control.Error();
    for (int attempt = 1;; ++attempt) {
        if (SizeQuery(control, item.url, item, nullptr, std::move(begun))) {
            return TransferResult::Done();
        }
        const RetryDecision retry = DecideRetry(RetryStage::SizeQuery, error.errorCode, {attempt, 0});
        if (!retry.again) {
            return TransferResult::StoredAlready();
        }
        // A server that accepts and never answers would otherwise leave the
        // run silent for every attempt's time-out.
        if (IRunReport* report = control.Report()) {
            report->FileRetrying(item, error, attempt + 1, retry.attempts);
        }
        error = ErrorState{};
    }
}

bool PrepareItems(IDownloadControl& control) {
    return StoreResultOf(control.Error(), [&] {
        control.Counters().ClearRemainingBytes();
        CSizeQueriesAhead ahead(control);
        const ContentList& items = control.Items();
        for (std::size_t index = 0; index < items.size(); ++index) {
            ahead.BeginFrom(index);
            TransferResult prepared = PrepareItem(control, *items[index], ahead.Take(index));
            if (!prepared.Ok()) {
                return prepared;
            }
        }
        return TransferResult::Done();
    });
}

}  // namespace kivtransfer

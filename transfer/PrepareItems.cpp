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
#include "env/PathRules.h"

namespace kivtransfer {

namespace {

// The bits the engine keeps its own state in. A record's number may add other
// flag bits but never these: the record can be written by the confined
// worker, and a forged row must not mark a file unrecorded (never hashed),
// broken or finished.
constexpr std::uint32_t kEngineStateFlags = CDF_PREPARED | CDF_RETRY | CDF_RESUME | CDF_RECEIVING |
                                            CDF_BROKEN | CDF_UNRECORDED | CDF_COMPLETE |
                                            CDF_FINALIZED;

// Only a plain file of this user, with no other name, may be written to as
// the item's: anything else with its name (a link, a folder, a FIFO, a
// device, someone else's file) is refused as it stands, so nothing is
// written, deleted or read through it. A file only read as the complete one
// (`writable` false) may have other names: nothing is written through it.
TransferOutcome<win::FileEntry> EntryAt(const CONTENTDATA& item, const std::string& path,
                                        bool writable) {
    win::FileEntry entry;
    if (!win::LookAtEntry(path, entry)) {
        return TransferResult::FileFailed(win::GetLastError(), item.name);
    }
    if (entry.exists && (!entry.isFile || (writable && !entry.isOwnedAlone))) {
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
        ItemFileMatchesHash(control, progress, item, /*stepOverall=*/false, /*otherNames=*/true);
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

// Flags the item complete or resumable from the file of ours already on
// disk (the part file, or the assistant's work file) and returns the bytes
// that need no transfer.
TransferOutcome<std::uint64_t> JudgeExistingFile(IDownloadControl& control, CONTENTDATA& item,
                                                 std::uint64_t localSize) {
    CVersionFile versionFile;
    versionFile.Open(env::GetVersionFilePath());
    const std::string& key = VersionFileKey(control, item);
    std::string storedText;
    const bool recorded = versionFile.GetStoredText(key, storedText) != 0;
    if (!recorded) storedText.clear();
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

// The file at the item's final name when no file of ours stands for the
// item: taken as its complete file when it has the size (and the hash, when
// the page gives one), else kept aside. It is only read, never written, so
// other names of it do not matter.
TransferOutcome<std::uint64_t> JudgeFileAtFinalName(IDownloadControl& control, CONTENTDATA& item,
                                                    const std::string& finalPath) {
    const std::string workPath = item.localPath;
    const TransferOutcome<win::FileEntry> entry = EntryAt(item, finalPath, /*writable=*/false);
    if (!entry.Ok()) return entry.Result();
    if (!entry->exists) return 0;
    item.localPath = finalPath;
    const TransferOutcome<bool> itemsFile = UnrecordedFileIsTheItems(control, item, entry->size);
    if (itemsFile.Ok() && *itemsFile) {
        if (control.ResumeAllowed()) {
            item.flags |= CDF_COMPLETE | CDF_UNRECORDED;
            return entry->size;  // the item is its file at the final name
        }
        item.replacesFinal = true;  // downloaded again at the user's word
    }
    item.keptAsideChanged = itemsFile.Ok() && !*itemsFile && !item.hash.empty() &&
                            item.size != 0 && entry->size == item.size;
    TransferResult result = TransferResult::Done();
    if (!itemsFile.Ok()) {
        result = itemsFile.Result();
    } else if (!*itemsFile) {
        result = KeepFileAside(control, item);
    }
    item.localPath = workPath;
    if (!result.Ok()) return result;
    return 0;
}

// A row whose file holds none of our bytes (a claim made before a run that
// ended early, or one naming another file) is dropped, so that nothing ever
// takes a file someone put there later for ours; a part file without a row
// of ours holds bytes of no known version and goes.
void DropRowWithoutFile(const IRunSettings& control, const CONTENTDATA& item, bool recorded) {
    if (recorded) {
        CVersionFile versionFile;
        versionFile.Open(env::GetVersionFilePath());
        versionFile.Remove(VersionFileKey(control, item));
        versionFile.SaveWithoutFlush();  // a row that comes back is dropped again
    }
    win::FileEntry part;
    if (win::LookAtEntry(item.localPath, part) && part.exists && !part.isOwnedAlone) {
        // Another user's download in progress in a shared folder, or a file
        // with other names: never ours to remove, so it is moved out of the way.
        std::string native;
        std::string kept;
        if (win::ToNativePath(item.localPath, native)) win::KeepAside(native, kept);
        return;
    }
    env::ForceDeleteFile(item.localPath);  // unlinks a name only: nothing is written through it
}

// Direct layout. Our bytes are in the part file the row names; a row written
// by an earlier version names the final path itself and is resumed there.
TransferResult PrepareInDestination(IDownloadControl& control, CONTENTDATA& item) {
    const std::string finalPath = FinalPathOfItem(control, item);
    win::FileEntry part;
    win::FileEntry atFinal;
    if (win::LookAtEntry(item.localPath, part) && win::LookAtEntry(finalPath, atFinal) &&
        !part.exists && !atFinal.exists) {
        // Nothing there: a row could only be a claim, which this run's own replaces.
        return TransferResult::Done();
    }
    std::string recordedPath;
    bool recorded = false;
    {
        CVersionFile versionFile;
        versionFile.Open(env::GetVersionFilePath());
        recorded = versionFile.GetPath(VersionFileKey(control, item), recordedPath) != 0;
    }
    if (recorded && recordedPath == finalPath) item.localPath = finalPath;
    win::FileEntry entry;
    if (!win::LookAtEntry(item.localPath, entry)) {
        return TransferResult::FileFailed(win::GetLastError(), item.name);
    }
    const bool ours = recorded && recordedPath == item.localPath && entry.exists &&
                      entry.isOwnedAlone;
    if (!ours) {
        item.localPath = PartPathOfItem(control, item);
        DropRowWithoutFile(control, item, recorded);
        const TransferOutcome<std::uint64_t> present =
            JudgeFileAtFinalName(control, item, finalPath);
        if (!present.Ok()) return present.Result();
        control.Counters().CountOffRemainingBytes(*present);
        return TransferResult::Done();
    }
    const TransferOutcome<std::uint64_t> present = JudgeExistingFile(control, item, entry.size);
    if (!present.Ok()) return present.Result();
    control.Counters().CountOffRemainingBytes(*present);
    return TransferResult::Done();
}

// The protected layout: a file found complete in the destination is the
// item's for the run, as it would be without the assistant; else what the
// work folder holds of ours.
TransferResult PrepareInWorkFolder(IDownloadControl& control, CONTENTDATA& item) {
    const TransferOutcome<win::FileEntry> entry =
        EntryAt(item, item.localPath, control.ResumeAllowed());
    if (!entry.Ok()) return entry.Result();
    if (control.ResumeAllowed()) {
        const std::string finalPath = FinalPathOfItem(control, item);
        const TransferOutcome<win::FileEntry> placed = EntryAt(item, finalPath, false);
        if (placed.Ok() && placed->exists) {
            const std::string workPath = item.localPath;
            item.localPath = finalPath;
            const TransferOutcome<bool> complete =
                UnrecordedFileIsTheItems(control, item, placed->size);
            if (!complete.Ok()) return complete.Result();
            if (*complete) {
                item.flags |= CDF_COMPLETE | CDF_UNRECORDED;
                control.Counters().CountOffRemainingBytes(placed->size);
                return TransferResult::Done();
            }
            item.localPath = workPath;
        }
    }
    if (!entry->exists) return TransferResult::Done();
    const TransferOutcome<std::uint64_t> present = JudgeExistingFile(control, item, entry->size);
    if (!present.Ok()) return present.Result();
    control.Counters().CountOffRemainingBytes(*present);
    return TransferResult::Done();
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
    return control.HasAssistant() ? PrepareInWorkFolder(control, item)
                                  : PrepareInDestination(control, item);
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

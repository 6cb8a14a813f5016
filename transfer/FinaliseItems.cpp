#include "transfer/FinaliseItems.h"

#include <cerrno>

#include "platform/FileApi.h"
#include "platform/KeepAside.h"
#include "platform/LastError.h"
#include "platform/NativePath.h"
#include "platform/NewFileMode.h"
#include "transfer/HeldFile.h"
#include "transfer/TransferResult.h"
#include "transfer/WorkFiles.h"

namespace kivtransfer {

namespace {

// Clears the hidden bit and nothing else: read-only, archive and the rest
// stay as the user or the system set them.
TransferResult Unhide(const CONTENTDATA& item) {
    const win::DWORD attributes = win::GetFileAttributes(item.localPath);
    if (attributes == win::INVALID_FILE_ATTRIBUTES) {
        // A file that cannot be made visible must not be reported as delivered.
        return TransferResult::Failed(errcode::kNotPlaced, win::GetLastError());
    }
    if ((attributes & (win::FILE_ATTRIBUTE_REPARSE_POINT | win::FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        // A link or a folder took the file's place: that is not what was downloaded.
        return TransferResult::Failed(errcode::kNotPlaced, win::ERROR_ACCESS_DENIED);
    }
    if ((attributes & win::FILE_ATTRIBUTE_HIDDEN) == 0) {
        return TransferResult::Done();
    }
    win::DWORD visible = attributes & ~win::FILE_ATTRIBUTE_HIDDEN;
    if (visible == 0) {
        visible = win::FILE_ATTRIBUTE_NORMAL;
    }
    if (!win::SetFileAttributes(item.localPath, visible)) {
        return TransferResult::Failed(errcode::kNotPlaced, win::GetLastError());
    }
    return TransferResult::Done();
}

// Written owner-only while it was incomplete, the finished file now gets
// the mode a new file of the user's would have. A file that was already
// there and not ours (unrecorded) keeps the mode its owner gave it.
TransferResult GiveFinalMode(const CONTENTDATA& item) {
    if ((item.flags & CDF_UNRECORDED) != 0) {
        return TransferResult::Done();
    }
    std::string native;
    if (!win::ToNativePath(item.localPath, native)) {
        return TransferResult::Failed(errcode::kNotPlaced, win::GetLastError());
    }
    if (const int failure = win::GiveNewFileMode(native)) {
        return TransferResult::Failed(errcode::kNotPlaced, win::Win32FromErrno(failure));
    }
    return TransferResult::Done();
}

TransferResult Place(IDownloadControl& control, IFilePlacer* placer, CONTENTDATA& item) {
    if (placer == nullptr) {
        return TransferResult::Failed(errcode::kInternalError, win::ERROR_NOT_SUPPORTED);
    }
    const std::string finalPath = FinalPathOfItem(control, item);
    if (item.localPath == finalPath) {
        return TransferResult::Done();  // found complete in the destination: nothing to place
    }
    if (!placer->SendPlaceFile(item.localPath, finalPath)) {
        return TransferResult::Failed(errcode::kInternalError, win::GetLastError());
    }
    if (!placer->WaitForReply()) {
        // lastError already holds the code of the assistant's answer, if any.
        return TransferResult::FailedKeepingLastError(errcode::kNotPlaced);
    }
    // Only a placed file is at the final path; a refused one is still where it was.
    item.localPath = finalPath;
    item.keptAsideAs = placer->KeptAside();
    IRunReport* report = control.Report();
    if (report != nullptr && !item.keptAsideAs.empty()) report->FileKeptAside(item);
    if (report != nullptr) report->FilePlaced(item);
    return TransferResult::Done();
}

// The part file takes its final name; a file that appeared there meanwhile
// (or was kept there at the user's word until now) is never replaced unless
// it is the item's own earlier copy the user asked to download again.
TransferResult RenameToFinalName(IDownloadControl& control, CONTENTDATA& item) {
    std::string from;
    std::string to;
    const std::string finalPath = FinalPathOfItem(control, item);
    if (!win::ToNativePath(item.localPath, from) || !win::ToNativePath(finalPath, to)) {
        return TransferResult::Failed(errcode::kNotPlaced, win::GetLastError());
    }
    int error = item.replacesFinal ? win::RenameReplacing(from, to)
                                   : win::RenameWithoutReplacing(from, to);
    if (error == EEXIST) {
        std::string kept;
        error = win::KeepAside(to, kept);
        if (error == 0) {
            item.keptAsideAs = kept.substr(kept.rfind('/') + 1);
            if (IRunReport* report = control.Report()) report->FileKeptAside(item);
            error = win::RenameWithoutReplacing(from, to);
        }
    }
    if (error != 0) return TransferResult::Failed(errcode::kNotPlaced, win::Win32FromErrno(error));
    item.localPath = finalPath;
    if (IRunReport* report = control.Report()) report->FilePlaced(item);
    return TransferResult::Done();
}

// Without the assistant the file is shown: its part file takes its name.
TransferResult MakeVisible(IDownloadControl& control, CONTENTDATA& item) {
    if (item.localPath == PartPathOfItem(control, item)) {
        if (TransferResult renamed = RenameToFinalName(control, item); !renamed.Ok()) {
            return renamed;
        }
    }
    TransferResult unhidden = Unhide(item);
    return unhidden.Ok() ? GiveFinalMode(item) : unhidden;
}

}  // namespace

bool FinaliseItems(IDownloadControl& control, IFilePlacer* placer) {
    const bool done = StoreResultOf(control.Error(), [&] {
        const bool assistantMode = control.HasAssistant();
        for (const auto& item : control.Items()) {
            if ((item->flags & CDF_BROKEN) != 0) {
                continue;
            }
            // Only the file this run downloaded gets the final name and mode.
            TransferResult finalised = CheckHeldFile(*item);
            if (finalised.Ok()) {
                finalised = assistantMode ? Place(control, placer, *item) : MakeVisible(control, *item);
            }
            if (!finalised.Ok()) {
                return finalised;
            }
        }
        for (const auto& item : control.Items()) {
            item->flags |= CDF_FINALIZED;
        }
        return TransferResult::Done();
    });
    ReleaseHeldFiles(control.Items());
    return done;
}

}  // namespace kivtransfer

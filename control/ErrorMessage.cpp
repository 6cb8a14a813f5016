#include "control/ErrorMessage.h"

#include "control/ErrorCodeTexts.h"
#include "env/Locations.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/BrokenFiles.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivtransfer::BrokenFileList;
using kivtransfer::CodePlacement;
using kivtransfer::ContentList;
using kivtransfer::ErrorState;

namespace {

bool IsHresult(std::uint32_t lastError) {
    return (lastError & 0x80000000u) != 0;
}

}  // namespace

std::string KeptAsideNotes(const ContentList& items) {
    std::string notes;
    for (const auto& item : items) {
        if (!item || item->keptAsideAs.empty()) continue;
        notes += (notes.empty() ? "\n\n" : "\n") +
                 res::FormatString(item->keptAsideChanged ? textid::kKeptAsideChanged
                                                          : textid::kKeptAside,
                                   {item->name, item->keptAsideAs});
    }
    return notes;
}

std::string CodeTag(std::int32_t errorCode, std::uint32_t lastError) {
    std::string tag = res::FormatText("[D:%d", {errorCode});
    if (lastError != 0) {
        tag += IsHresult(lastError) ? res::FormatText(" E:0x%08X", {lastError})
                                    : res::FormatText(" E:%d", {lastError});
    }
    return tag + "]";
}

bool ComposeErrorMessage(int phase, const ErrorState& error, const ContentList& items,
                         std::string& text) {
    text.clear();
    if (error.errorCode == errcode::kNone || error.errorCode == errcode::kCancelled) return false;

    const CodeText codeText = TextForCode(error);
    text = codeText.placement == CodePlacement::Replace
               ? codeText.text
               : HeadlineForPhase(phase, error.errorCode) + codeText.text;
    if (codeText.systemText && error.lastError != 0) {
        text += env::GetSystemErrorText(error.lastError);
    }

    std::int32_t shownCode = error.errorCode;
    std::string brokenFiles;
    if (shownCode == errcode::kFilesBroken) {
        if (!BrokenFileList(items, brokenFiles)) {
            // The text chosen for 500 stays; the tag names the memory failure.
            shownCode = errcode::kOutOfMemory;
        }
    }
    text += CodeTag(shownCode, error.lastError);
    if (shownCode == errcode::kFilesBroken) text += "\n\n" + brokenFiles;
    // An internet error's detail, such as the two URLs of a refused redirect.
    if (shownCode == errcode::kInternetError && !error.errorDetail.empty()) {
        text += "\n\n" + error.errorDetail;
    }
    // The file an error concerns, listed as the broken files are.
    if (shownCode == errcode::kFileError && !error.errorDetail.empty()) {
        text += "\n\n\t" + error.errorDetail;
    }
    text += KeptAsideNotes(items);
    return true;
}

}  // namespace kivcontrol

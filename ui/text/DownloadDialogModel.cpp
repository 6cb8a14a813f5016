#include "ui/text/DownloadDialogModel.h"

#include <algorithm>
#include <optional>

#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ControlMessages.h"
#include "ui/text/ByteCountText.h"
#include "ui/text/RateTimeText.h"

namespace kivui {

namespace {

constexpr int kKeepVisibility = -1;
constexpr int kBusyRange = 10;
constexpr int kDownloadMode = 0;
constexpr int kVerificationMode = 1;

std::uint64_t Join64(win::WPARAM low, win::LPARAM high) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
           static_cast<std::uint32_t>(low);
}

// Message parameters carry 32-bit signed numbers.
long long Signed32(std::uintptr_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void ApplyShowCommand(bool& shown, int showCommand) {
    if (showCommand != kKeepVisibility) shown = showCommand != win::SW_HIDE;
}

}  // namespace

void CDownloadDialogModel::SetCaption(const std::string& caption) {
    caption_ = caption;
    windowText_ = caption;
}

DialogChanges CDownloadDialogModel::Apply(win::UINT message, win::WPARAM wParam,
                                          win::LPARAM lParam) {
    switch (message) {
        case DLGM_FILENAME:
            return OnFileName(reinterpret_cast<const char*>(wParam));
        case DLGM_STATUS:
            return OnStatus(wParam, reinterpret_cast<const char*>(lParam));
        case DLGM_CURRENTBUSY:
            return OnCurrentBusy(wParam != 0, static_cast<int>(Signed32(lParam)));
        case DLGM_CURRENTTOTAL:
            return OnCurrentTotal(Join64(wParam, lParam));
        case DLGM_CURRENTPOS:
            return OnCurrentPos(Join64(wParam, lParam));
        case DLGM_OVERALLBUSY:
            return OnOverallBusy(wParam != 0, static_cast<int>(Signed32(lParam)));
        case DLGM_OVERALLRANGE:
            return OnOverallRange(static_cast<int>(Signed32(wParam)),
                                  static_cast<int>(Signed32(lParam)));
        case DLGM_OVERALLSTEP:
            return OnOverallStep(wParam);
        case DLGM_RUNBYTES:
            return OnRunBytes(Join64(wParam, lParam));
        case DLGM_RATETIME:
            return OnRateTime(Signed32(wParam), Signed32(lParam));
        case DLGM_SHOWLINK:
            linkShown_ = true;
            return {kPartLink};
        default:
            return {};  // DLGM_PLAYBUTTON among them: the Play button stays hidden
    }
}

DialogChanges CDownloadDialogModel::OnFileName(const char* name) {
    fileShown_ = name != nullptr;
    if (name != nullptr) {
        fileName_ = name;
        fileLine_ = res::FormatString(textid::kFileNameFormat, {fileName_});
    }
    cancelEnabled_ = true;
    return {kPartFile | kPartCancel};
}

DialogChanges CDownloadDialogModel::OnStatus(win::WPARAM mode, const char* text) {
    const int previous = mode_;
    mode_ = static_cast<int>(mode);
    DialogChanges changes{previous != mode_ ? kPartMode : 0u};
    if (mode_ != kDownloadMode && mode_ != kVerificationMode) return changes;  // only stored
    if (mode_ == kVerificationMode && previous != kVerificationMode) verificationEnded_ = false;
    if (mode_ == kDownloadMode && previous == kVerificationMode && !verificationEnded_) {
        changes.parts |= ClearRateAndTime().parts;
        verificationEnded_ = true;
    }
    statusText_ = text != nullptr ? text : "";
    if (text == nullptr) return changes;
    statusLine_ = statusText_;
    statusShown_ = true;
    changes.parts |= kPartStatus;
    return changes;
}

std::string CDownloadDialogModel::TimeLabel() const {
    return res::LoadString(mode_ == kVerificationMode ? textid::kVerificationCompleteIn
                                                      : textid::kDownloadCompleteIn);
}

DialogChanges CDownloadDialogModel::OnCurrentBusy(bool busy, int showCommand) {
    ApplyShowCommand(currentShown_, showCommand);
    currentBusy_ = busy;
    currentHasCount_ = false;
    currentDone_ = 0;
    return {kPartCurrent | kPartOverall};
}

DialogChanges CDownloadDialogModel::OnCurrentTotal(std::uint64_t total) {
    currentTotal_ = total;
    currentDone_ = 0;
    currentHasCount_ = false;
    currentShown_ = true;
    currentBusy_ = total == 0;
    currentInRun_ = true;
    return {kPartCurrent | kPartOverall};
}

DialogChanges CDownloadDialogModel::OnCurrentPos(std::uint64_t done) {
    // Sends overtake posts: a count of the file before may come after the
    // next file was counted; it belongs to no bar now.
    if (currentTotal_ == 0 || !currentInRun_) return {};
    currentDone_ = done;
    currentHasCount_ = true;
    DialogChanges changes{kPartCurrent | (runBytes_ != 0 ? kPartOverall : 0u)};
    changes.parts |= EndVerificationIfDone().parts;
    return changes;
}

DialogChanges CDownloadDialogModel::OnOverallBusy(bool busy, int showCommand) {
    ApplyShowCommand(overallShown_, showCommand);
    overallBusy_ = busy;
    if (busy) {
        overallLower_ = 0;
        overallUpper_ = kBusyRange;
    } else {
        overallText_.clear();
        overallPos_ = overallLower_;
        runBytes_ = 0;
        bytesBefore_ = 0;
        currentInRun_ = false;
    }
    return {kPartOverall};
}

DialogChanges CDownloadDialogModel::OnOverallRange(int lower, int upper) {
    overallLower_ = lower;
    overallUpper_ = upper;
    overallPos_ = lower;
    overallBusy_ = false;
    overallShown_ = true;
    runBytes_ = 0;
    bytesBefore_ = 0;
    currentInRun_ = false;
    return {kPartOverall};
}

DialogChanges CDownloadDialogModel::OnRunBytes(std::uint64_t total) {
    runBytes_ = total;
    return {kPartOverall};
}

DialogChanges CDownloadDialogModel::OnOverallStep(win::WPARAM flag) {
    if (flag == 1) {
        cancelEnabled_ = false;
        return {kPartCancel};
    }
    if (flag != 0) return {};
    // The file before is done: its bytes count whole from now on.
    if (currentInRun_) bytesBefore_ += currentTotal_;
    currentInRun_ = false;
    currentHasCount_ = false;
    // A step past the upper bound wraps around, as the progress bar's does.
    int position = overallPos_ + 1;
    if (position > overallUpper_) position = overallLower_ + (position - overallUpper_);
    overallPos_ = std::clamp(position, overallLower_, std::max(overallLower_, overallUpper_));
    UpdateCounterTexts();
    return {kPartOverall | kPartStatus | kPartCaption};
}

void CDownloadDialogModel::UpdateCounterTexts() {
    overallText_ = res::FormatText("%d / %d", {overallPos_, overallUpper_});
    statusLine_ = res::FormatText("%s(%d/%d)", {statusText_, overallPos_, overallUpper_});
    windowText_ = res::FormatText("%s(%d/%d)", {caption_, overallPos_, overallUpper_});
}

DialogChanges CDownloadDialogModel::OnRateTime(long long rateKb, long long seconds) {
    if (verificationEnded_) return {};
    DialogChanges changes;
    // A rate comes with every chunk; its text is made only when the number moves.
    if (rateKb != rateKb_) {
        rateKb_ = rateKb;
        std::string rate = kivui::RateText(rateKb);
        if (rate != rateText_) {
            rateText_ = std::move(rate);
            changes.parts |= kPartRate;
        }
    }
    if (std::optional<std::string> time = kivui::TimeText(seconds)) {
        timeText_ = std::move(*time);
        changes.parts |= kPartTime;
    }
    return changes;
}

// Every byte of the phase hashed: the last "About 0 sec" says nothing.
DialogChanges CDownloadDialogModel::EndVerificationIfDone() {
    if (mode_ != kVerificationMode || verificationEnded_ || runBytes_ == 0 ||
        RunBytesDone() < runBytes_) {
        return {};
    }
    verificationEnded_ = true;
    return ClearRateAndTime();
}

DialogChanges CDownloadDialogModel::ClearRateAndTime() {
    rateKb_ = kClearField;
    const bool changed = !rateText_.empty() || !timeText_.empty();
    rateText_.clear();
    timeText_.clear();
    return {changed ? kPartRate | kPartTime : 0u};
}

DialogBar CDownloadDialogModel::Current() const {
    DialogBar bar;
    bar.shown = currentShown_;
    bar.busy = currentBusy_;
    if (!currentHasCount_ || currentTotal_ == 0) return bar;
    if (const std::optional<CurrentFileText> text =
            FormatCurrentFile(currentDone_, currentTotal_)) {
        bar.text = text->text;
        bar.percent = std::clamp(text->percent, 0, 100);
    }
    return bar;
}

std::uint64_t CDownloadDialogModel::RunBytesDone() const {
    const std::uint64_t current = currentInRun_ ? std::min(currentDone_, currentTotal_) : 0;
    return bytesBefore_ + current;
}

DialogBar CDownloadDialogModel::Overall() const {
    DialogBar bar;
    bar.shown = overallShown_;
    bar.busy = overallBusy_;
    bar.text = overallText_;
    if (overallBusy_) return bar;
    if (runBytes_ != 0) {
        const std::uint64_t done = std::min(RunBytesDone(), runBytes_);
        // Sizes past 2^57 would overflow the product; a coarser ratio then.
        const std::uint64_t scale = runBytes_ > (1ull << 56) ? runBytes_ / 100 : 0;
        bar.percent = static_cast<int>(scale != 0 ? done / scale : done * 100 / runBytes_);
        bar.percent = std::clamp(bar.percent, 0, 100);
        return bar;
    }
    const long long span = static_cast<long long>(overallUpper_) - overallLower_;
    if (span > 0) {
        bar.percent =
            static_cast<int>((static_cast<long long>(overallPos_) - overallLower_) * 100 / span);
    }
    return bar;
}

}  // namespace kivui

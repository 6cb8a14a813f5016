#include "host/TerminalDialogModel.h"

#include <algorithm>

#include "resources/StringTable.h"
#include "transfer/ControlMessages.h"
#include "ui/text/ByteCountText.h"

namespace kivterm {

namespace {

constexpr unsigned kFileNameFormat = 23;          // "File name: %s"
constexpr unsigned kVerificationCompleteIn = 50;  // "Verification complete in"
constexpr unsigned kDownloadCompleteIn = 51;      // "Download complete in"
constexpr int kKeepVisibility = -1;
constexpr int kBusyRange = 10;

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

ModelChange CTerminalDialogModel::Apply(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    switch (message) {
        case DLGM_FILENAME:
            return OnFileName(reinterpret_cast<const char*>(wParam));
        case DLGM_STATUS:
            return OnStatus(wParam, reinterpret_cast<const char*>(lParam));
        case DLGM_CURRENTBUSY:
            OnCurrentBusy(wParam != 0, static_cast<int>(Signed32(lParam)));
            return ModelChange::Progress;
        case DLGM_CURRENTTOTAL:
            OnCurrentTotal(Join64(wParam, lParam));
            return ModelChange::Progress;
        case DLGM_CURRENTPOS:
            return OnCurrentPos(Join64(wParam, lParam));
        case DLGM_OVERALLBUSY:
            OnOverallBusy(wParam != 0, static_cast<int>(Signed32(lParam)));
            return ModelChange::Progress;
        case DLGM_OVERALLRANGE:
            OnOverallRange(static_cast<int>(Signed32(wParam)), static_cast<int>(Signed32(lParam)));
            return ModelChange::Progress;
        case DLGM_OVERALLSTEP:
            return OnOverallStep(wParam);
        case DLGM_RATETIME: {
            const auto changes = fields_.Apply(Signed32(wParam), Signed32(lParam));
            return changes.rate || changes.time ? ModelChange::Progress : ModelChange::None;
        }
        case DLGM_SHOWLINK:
            linkShown_ = true;
            return ModelChange::Progress;
        default:
            return ModelChange::None;  // DLGM_PLAYBUTTON among them: the Play button stays hidden
    }
}

ModelChange CTerminalDialogModel::OnFileName(const char* name) {
    fileShown_ = name != nullptr;
    if (name != nullptr) fileLine_ = res::FormatString(kFileNameFormat, {std::string(name)});
    cancelEnabled_ = true;
    return ModelChange::Milestone;
}

ModelChange CTerminalDialogModel::OnStatus(win::WPARAM mode, const char* text) {
    mode_ = static_cast<int>(mode);
    if (mode != 0 && mode != 1) return ModelChange::None;
    statusText_ = text != nullptr ? text : "";
    if (text == nullptr) return ModelChange::Progress;
    statusLine_ = statusText_;
    statusShown_ = true;
    return ModelChange::Milestone;
}

std::string CTerminalDialogModel::TimeLabel() const {
    return res::LoadString(mode_ == 1 ? kVerificationCompleteIn : kDownloadCompleteIn);
}

void CTerminalDialogModel::OnCurrentBusy(bool busy, int showCommand) {
    ApplyShowCommand(current_.shown, showCommand);
    current_.text.clear();
    current_.percent = 0;
    current_.busy = busy;
}

void CTerminalDialogModel::OnCurrentTotal(std::uint64_t total) {
    currentTotal_ = total;
    current_.shown = true;
    current_.busy = total == 0;
    if (total > 0) current_.percent = 0;
}

ModelChange CTerminalDialogModel::OnCurrentPos(std::uint64_t done) {
    const std::optional<kivui::CurrentFileText> text =
        kivui::FormatCurrentFile(done, currentTotal_);
    if (!text) return ModelChange::None;
    current_.text = text->text;
    current_.percent = std::clamp(text->percent, 0, 100);
    return ModelChange::Progress;
}

void CTerminalDialogModel::OnOverallBusy(bool busy, int showCommand) {
    ApplyShowCommand(overallShown_, showCommand);
    overallBusy_ = busy;
    if (busy) {
        overallLower_ = 0;
        overallUpper_ = kBusyRange;
    } else {
        overallText_.clear();
        overallPos_ = overallLower_;
    }
}

void CTerminalDialogModel::OnOverallRange(int lower, int upper) {
    overallLower_ = lower;
    overallUpper_ = upper;
    overallPos_ = lower;
    overallBusy_ = false;
    overallShown_ = true;
}

ModelChange CTerminalDialogModel::OnOverallStep(win::WPARAM flag) {
    if (flag == 1) {
        cancelEnabled_ = false;
        return ModelChange::None;
    }
    if (flag != 0) return ModelChange::None;
    // A step past the upper bound wraps around, as the progress bar's does.
    int position = overallPos_ + 1;
    if (position > overallUpper_) position = overallLower_ + (position - overallUpper_);
    overallPos_ = std::clamp(position, overallLower_, std::max(overallLower_, overallUpper_));
    overallText_ = res::FormatText("%d / %d", {overallPos_, overallUpper_});
    statusLine_ = res::FormatText("%s(%d/%d)", {statusText_, overallPos_, overallUpper_});
    windowText_ = res::FormatText("%s(%d/%d)", {caption_, overallPos_, overallUpper_});
    return ModelChange::Milestone;
}

TerminalBar CTerminalDialogModel::Overall() const {
    TerminalBar bar;
    bar.shown = overallShown_;
    bar.busy = overallBusy_;
    bar.text = overallText_;
    const long long span = static_cast<long long>(overallUpper_) - overallLower_;
    if (span > 0) {
        bar.percent =
            static_cast<int>((static_cast<long long>(overallPos_) - overallLower_) * 100 / span);
    }
    return bar;
}

}  // namespace kivterm

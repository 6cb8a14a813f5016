// Rate and time texts of the download dialog.
#include "ui/text/RateTimeText.h"

#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "ui/text/KBSize.h"

namespace kivui {

namespace {

// |value| without overflowing at the most negative value.
unsigned long long Magnitude(long long value) {
    return value < 0 ? 0ull - static_cast<unsigned long long>(value)
                     : static_cast<unsigned long long>(value);
}

}  // namespace

std::string RateText(long long rateKb) {
    if (rateKb == kClearField) return std::string();
    return res::FormatString(textid::kRateFormat, {GroupThousands(Magnitude(rateKb))});
}

std::optional<std::string> TimeText(long long seconds) {
    if (seconds == kClearField) return std::string();
    if (seconds == kRecalculating) return res::LoadString(textid::kRecalculating);
    if (seconds < 0) return std::nullopt;
    const long long hours = seconds / 3600;
    const long long minutes = seconds % 3600 / 60;
    const long long rest = seconds % 60;
    if (hours > 0) return res::FormatString(textid::kHoursFormat, {hours, minutes, rest});
    if (minutes > 0) return res::FormatString(textid::kMinutesFormat, {minutes, rest});
    return res::FormatString(textid::kSecondsFormat, {rest});
}

CRateTimeFields::Changes CRateTimeFields::Apply(long long rateKb, long long seconds) {
    Changes changes;
    std::string rate = RateText(rateKb);
    if (rate != rate_) {
        rate_ = std::move(rate);
        changes.rate = true;
    }
    if (std::optional<std::string> time = TimeText(seconds)) {
        time_ = std::move(*time);
        changes.time = true;
    }
    return changes;
}

}  // namespace kivui

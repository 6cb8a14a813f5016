#pragma once
// The download dialog's transfer-rate and remaining-time texts, in the user's
// language (string table ids 36, 37, 54, 55, 64).
#include <optional>
#include <string>

namespace kivui {

// Rates and seconds that are not numbers.
constexpr long long kClearField = -2;     // both fields: empty text
constexpr long long kKeepTime = -1;       // seconds: no fresh measurement
constexpr long long kRecalculating = -3;  // seconds: a download is being retried

// "About 1,234KB/sec" for a rate in KB per second (its absolute value); empty for -2.
std::string RateText(long long rateKb);
// "About  1 hr  2 min  5 sec", "About  1 min  0 sec", "About  0 sec",
// "Recalculating" (-3) or empty (-2); std::nullopt when the field keeps its
// text (any other negative value).
std::optional<std::string> TimeText(long long seconds);

// The two fields as the dialog keeps them: the texts last drawn. A rate is
// drawn only when its text differs from the stored one; a time whenever a
// text results, even an equal one.
class CRateTimeFields {
public:
    struct Changes {
        bool rate = false;
        bool time = false;
    };
    Changes Apply(long long rateKb, long long seconds);
    const std::string& Rate() const { return rate_; }
    const std::string& Time() const { return time_; }

private:
    std::string rate_;
    std::string time_;
};

}  // namespace kivui

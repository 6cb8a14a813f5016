#pragma once
// The transfer-rate meter: bytes per second since the last restart, worked
// out again at most once a second so the dialog's rate text stays steady.
// Time is measured in milliseconds: counted in whole clock seconds, a restart
// just before a second ticks made the first figure up to ten times too low.
// One per run, shared by the transfer, the verification and the cancel check,
// all on the worker thread.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

namespace kivtransfer {

class CRateMeter {
public:
    // Milliseconds of some clock; only differences are used.
    using Clock = std::function<std::int64_t()>;

    CRateMeter() : clock_(&MonotonicMilliseconds) {}
    explicit CRateMeter(Clock clock) : clock_(std::move(clock)) {}

    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Adds `byteCount` and returns the rate in bytes per second. A count of 0
    // restarts the meter and returns 0. `updated`, when given, tells whether
    // a new rate was worked out by this call.
    std::uint64_t RateMeter(std::uint64_t byteCount, bool* updated = nullptr);
    void Restart() { RateMeter(0); }

    // True once a second figure has been worked out since the restart: the
    // first one spans a single interval and may be a burst, too rough to
    // promise a remaining time from.
    bool RateIsSettled() const { return readings_ >= 2; }

    // A monotonic clock: a wall clock set back would stall or break the rate.
    static std::int64_t MonotonicMilliseconds() {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

private:
    static constexpr std::int64_t kIntervalMs = 1000;

    // bytes * 1000 / ms without overflow for any byte count a run can reach.
    static std::uint64_t MulDivBytes(std::uint64_t bytes, std::uint64_t elapsedMs) {
        return bytes / elapsedMs * 1000 + bytes % elapsedMs * 1000 / elapsedMs;
    }

    Clock clock_;
    std::uint64_t accumulatedBytes_ = 0;
    std::int64_t measurementStart_ = 0;
    std::int64_t intervalStart_ = 0;
    bool started_ = false;
    bool intervalOpen_ = false;
    std::uint64_t lastRate_ = 0;
    int readings_ = 0;
};

// Inline: the test support library uses the meter without linking the engine.
inline std::uint64_t CRateMeter::RateMeter(std::uint64_t byteCount, bool* updated) {
    if (updated != nullptr) {
        *updated = false;
    }
    const std::int64_t now = clock_();
    if (byteCount == 0 || !started_) {
        accumulatedBytes_ = 0;
        measurementStart_ = now;
        intervalOpen_ = false;
        lastRate_ = 0;
        readings_ = 0;
        started_ = true;
        if (byteCount == 0) {
            return 0;
        }
    }
    if (!intervalOpen_) {
        intervalStart_ = now;
        intervalOpen_ = true;
    }
    accumulatedBytes_ += byteCount;
    if (now - intervalStart_ < kIntervalMs) {
        return lastRate_;
    }
    // An injected clock may step back; never divide by zero or a negative span.
    const std::int64_t elapsedMs = std::max<std::int64_t>(now - measurementStart_, kIntervalMs);
    lastRate_ = MulDivBytes(accumulatedBytes_, static_cast<std::uint64_t>(elapsedMs));
    intervalOpen_ = false;
    readings_ = std::min(readings_ + 1, 2);
    if (updated != nullptr) {
        *updated = true;
    }
    return lastRate_;
}

// Seconds until `remainingBytes` are done at `rate` bytes per second; 0 when
// there is no rate.
inline std::uint64_t RemainingSeconds(std::uint64_t remainingBytes, std::uint64_t rate) {
    return rate == 0 ? 0 : remainingBytes / rate;
}

}  // namespace kivtransfer

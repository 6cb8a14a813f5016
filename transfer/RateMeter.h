#pragma once
// The transfer-rate meter: bytes per second since the last restart, worked
// out again at most once a second so the dialog's rate text stays steady.
// One per run, shared by the transfer, the verification and the cancel check,
// all on the worker thread.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

class CRateMeter {
public:
    // Whole seconds of some clock; only differences are used.
    using Clock = std::function<std::int64_t()>;

    CRateMeter() : clock_(&MonotonicSeconds) {}
    explicit CRateMeter(Clock clock) : clock_(std::move(clock)) {}

    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Adds `byteCount` and returns the rate in bytes per second. A count of 0
    // restarts the meter and returns 0. `updated`, when given, tells whether
    // a new rate was worked out by this call.
    std::uint64_t RateMeter(std::uint64_t byteCount, bool* updated = nullptr);
    void Restart() { RateMeter(0); }

    // A monotonic clock: a wall clock set back would stall or break the rate.
    static std::int64_t MonotonicSeconds() {
        using namespace std::chrono;
        return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
    }

private:
    Clock clock_;
    std::uint64_t accumulatedBytes_ = 0;
    std::int64_t measurementStart_ = 0;
    std::int64_t intervalStart_ = 0;
    bool started_ = false;
    bool intervalOpen_ = false;
    std::uint64_t lastRate_ = 0;
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
    if (now - intervalStart_ < 1) {
        return lastRate_;
    }
    // An injected clock may step back; never divide by zero or a negative span.
    const std::int64_t elapsed = std::max<std::int64_t>(now - measurementStart_, 1);
    lastRate_ = accumulatedBytes_ / static_cast<std::uint64_t>(elapsed);
    intervalOpen_ = false;
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

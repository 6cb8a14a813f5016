#include "bench/LatencyProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <cmath>

namespace {

using Clock = std::chrono::steady_clock;

const QEvent::Type kStampEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class StampEvent : public QEvent {
public:
    StampEvent() : QEvent(kStampEvent), posted(Clock::now()) {}
    const Clock::time_point posted;
};

}  // namespace

CLatencyProbe::~CLatencyProbe() {
    Stop();
}

void CLatencyProbe::Start() {
    if (sampler_.joinable()) return;
    stopping_ = false;
    sampler_ = std::thread([this] { Sample(); });
}

void CLatencyProbe::Stop() {
    {
        std::lock_guard hold(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    if (sampler_.joinable()) sampler_.join();
}

void CLatencyProbe::MarkWindowShown() {
    std::lock_guard hold(samplesMutex_);
    if (windowShown_) return;
    windowShown_ = true;
    windowShownAt_ = samples_.size();
}

std::vector<double> CLatencyProbe::StartSamples() const {
    std::lock_guard hold(samplesMutex_);
    const std::size_t end = windowShown_ ? windowShownAt_ : samples_.size();
    return {samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::vector<double> CLatencyProbe::WindowSamples() const {
    std::lock_guard hold(samplesMutex_);
    if (!windowShown_) return {};
    return {samples_.begin() + static_cast<std::ptrdiff_t>(windowShownAt_), samples_.end()};
}

void CLatencyProbe::Sample() {
    std::unique_lock hold(mutex_);
    while (!stopped_.wait_for(hold, interval_, [this] { return stopping_; })) {
        QCoreApplication::postEvent(this, new StampEvent);
    }
}

bool CLatencyProbe::event(QEvent* event) {
    if (event->type() != kStampEvent) return QObject::event(event);
    const auto waited = Clock::now() - static_cast<StampEvent*>(event)->posted;
    std::lock_guard hold(samplesMutex_);
    samples_.push_back(std::chrono::duration<double, std::milli>(waited).count());
    return true;
}

double Quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

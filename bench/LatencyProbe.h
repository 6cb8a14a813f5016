#pragma once
// Measures how long the UI thread takes to answer an input: a thread of its
// own posts a stamped Qt event every interval, as the window system's reader
// posts a mouse click, and the UI thread records the delay when it handles
// it. A blocked or flooded UI thread shows as long delays, however the loop
// is nested (message boxes, the window front end's own loop).
#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class CLatencyProbe : public QObject {
public:
    // Lives on the calling (UI) thread; sampling starts with Start.
    explicit CLatencyProbe(std::chrono::milliseconds interval) : interval_(interval) {}
    ~CLatencyProbe() override;

    void Start();
    // Stops the sampler; samples still queued are not waited for.
    void Stop();
    // UI thread: samples handled from now on belong to the window's life;
    // earlier ones to the program's start.
    void MarkWindowShown();
    // Milliseconds from post to handling, in the order handled: before the
    // window was shown, and since.
    std::vector<double> StartSamples() const;
    std::vector<double> WindowSamples() const;

protected:
    bool event(QEvent* event) override;

private:
    void Sample();

    const std::chrono::milliseconds interval_;
    std::thread sampler_;
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    mutable std::mutex samplesMutex_;
    std::vector<double> samples_;
    std::size_t windowShownAt_ = 0;
    bool windowShown_ = false;
};

// The q-th quantile (0..1) of `values` by the nearest-rank rule; 0 when empty.
double Quantile(std::vector<double> values, double q);

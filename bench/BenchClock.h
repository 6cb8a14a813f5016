#pragma once
// Wall and CPU time of the calling process between two points, for the
// benchmark programs' one-line reports.
#include <sys/resource.h>

#include <chrono>

class CBenchClock {
public:
    CBenchClock() : wallStart_(std::chrono::steady_clock::now()), cpuStart_(CpuSeconds()) {}

    double WallSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart_).count();
    }
    // User and system time of this process since construction (getrusage).
    double CpuSecondsSince() const { return CpuSeconds() - cpuStart_; }

private:
    static double CpuSeconds() {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
        return seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }

    std::chrono::steady_clock::time_point wallStart_;
    double cpuStart_;
};

// kiv-downloader's window front end with a robot at the window, for
// window_bench.sh: the program's own path from the command line to the exit
// status (RunHost with the window front end and the control module), while
// a probe thread measures how fast the UI thread answers an input (every
// 50 ms, LatencyProbe.h; counted from the window's appearance, the
// program's start is reported apart). The program's message boxes (the
// success box at the end) are answered with their first button as soon as
// they are shown, so a run needs nobody. Prints one "name value" line per
// figure.
//
// Usage: window_probe MODULE [kiv-downloader arguments...]
//   MODULE: the kivdownloadcontrol.so to register when none is registered.
#include <sys/resource.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "bench/LatencyProbe.h"
#include "frontends/window/WindowFrame.h"
#include "frontends/window/WindowFrontEnd.h"
#include "host/HostProgram.h"
#include "ui/ButtonEx.h"
#include "ui/DialogColours.h"
#include "ui/MessageText.h"
#include "ui/MyMsgBox.h"

namespace {

constexpr std::chrono::milliseconds kProbeInterval{50};
constexpr double kAnswerLimitMs = 100;

// Answers each program box with its first button once it is on screen,
// and tells the probe when the browser window appears.
class RobotUser : public QObject {
public:
    RobotUser(CLatencyProbe& probe, const CBenchClock& clock) : probe_(probe), clock_(clock) {}
    std::vector<QString> texts;
    double windowShownSeconds = 0;
    double lastBoxSeconds = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        if (dynamic_cast<CWindowFrame*>(watched) != nullptr && windowShownSeconds == 0) {
            windowShownSeconds = clock_.WallSeconds();
            probe_.MarkWindowShown();
        }
        auto* box = qobject_cast<CMyMsgBox*>(watched);
        if (box != nullptr) {
            lastBoxSeconds = clock_.WallSeconds();
            texts.push_back(box->TextControl()->Text());
            QTimer::singleShot(0, box, [box] { box->Button(0)->click(); });
        }
        return false;
    }

private:
    CLatencyProbe& probe_;
    const CBenchClock& clock_;
};

// User and system time of the calling thread (the UI thread) so far.
double ThisThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Report(const CLatencyProbe& probe, const CBenchClock& clock, int status,
            const RobotUser& robot) {
    const std::vector<double> samples = probe.WindowSamples();
    int late = 0;
    for (double sample : samples) late += sample > kAnswerLimitMs ? 1 : 0;
    std::printf("exit_status %d\n", status);
    std::printf("wall_seconds %.3f\n", clock.WallSeconds());
    std::printf("cpu_seconds %.3f\n", clock.CpuSecondsSince());
    std::printf("ui_thread_cpu_seconds %.3f\n", ThisThreadCpuSeconds());
    // When the window appeared and when the last box (the success box) did.
    std::printf("window_shown_seconds %.3f\n", robot.windowShownSeconds);
    std::printf("last_box_seconds %.3f\n", robot.lastBoxSeconds);
    std::printf("latency_samples %zu\n", samples.size());
    std::printf("latency_p50_ms %.2f\n", Quantile(samples, 0.50));
    std::printf("latency_p99_ms %.2f\n", Quantile(samples, 0.99));
    std::printf("latency_max_ms %.2f\n", Quantile(samples, 1.0));
    std::printf("latency_over_100ms %d\n", late);
    std::printf("start_latency_max_ms %.2f\n", Quantile(probe.StartSamples(), 1.0));
    for (const QString& text : robot.texts) std::printf("box %s\n", qPrintable(text));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_probe MODULE [kiv-downloader arguments...]\n");
        return 2;
    }
    const CBenchClock clock;
    QApplication application(argc, argv);
    kivui::ApplyUiStyle(application);
    CLatencyProbe probe(kProbeInterval);
    RobotUser robot(probe, clock);
    application.installEventFilter(&robot);
    probe.Start();

    HostEnvironment environment = CurrentHostEnvironment();
    environment.defaultModule = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    const int status = RunHost(
        args, environment, [](FrontEndKind) { return MakeWindowFrontEnd(); }, std::cout, std::cerr);
    probe.Stop();
    Report(probe, clock, status, robot);
    return status;
}

#pragma once
// Helpers for the widget tests: bounded event processing, grabbed images and
// colour checks. Every wait is bounded so a fault fails instead of hanging.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <chrono>
#include <functional>
#include <thread>

#include "ui/GdiTypes.h"

namespace uitest {

constexpr int kBoundMs = 5000;

// Runs the Qt event loop until `done` or the bound.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int boundMs = kBoundMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > boundMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline COLORREF At(const QImage& image, int x, int y) {
    const QColor colour = image.pixelColor(x, y);
    return RGB(colour.red(), colour.green(), colour.blue());
}

// Pixels in the rectangle that are not `background`, as a bounding box.
inline QRect InkBox(const QImage& image, const QRect& area, COLORREF background) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (At(image, x, y) != background) box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

}  // namespace uitest

#pragma once
// Off-screen drawing for flicker-free painting: a surface the size of the
// area being painted, with the target's origin, pre-filled with white (a new
// surface's background); on destruction it is copied to the target at the
// same place in one operation. A printer target is drawn on directly.
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <optional>

class CMemDC {
public:
    // `area` in the target's co-ordinates (the clip box being painted).
    CMemDC(QPainter& target, const QRect& area);
    ~CMemDC();
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    // Draw here, in the target's co-ordinates.
    QPainter& Painter();
    bool IsOffScreen() const { return painter_.has_value(); }

private:
    QPainter& target_;
    QRect area_;
    QPixmap surface_;
    std::optional<QPainter> painter_;
};

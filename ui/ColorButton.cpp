// The flat-coloured push button.
#include "ui/ColorButton.h"

#include <QPainter>

namespace {

// The last rectangle drawn by any colour button.
QRect g_lastDrawnRect;

void Draw3dRect(QPainter& painter, const QRect& r, COLORREF topLeft, COLORREF bottomRight) {
    const QColor light = kivui::ToQColor(topLeft);
    const QColor dark = kivui::ToQColor(bottomRight);
    painter.fillRect(r.left(), r.top(), r.width() - 1, 1, light);
    painter.fillRect(r.left(), r.top(), 1, r.height() - 1, light);
    painter.fillRect(r.left() + r.width() - 1, r.top(), 1, r.height(), dark);
    painter.fillRect(r.left(), r.top() + r.height() - 1, r.width(), 1, dark);
}

// Every other pixel of the outline in the inverse of the face, as the
// platform's dotted XOR focus rectangle looks on a flat face.
void DrawFocusRect(QPainter& painter, const QRect& r, COLORREF face) {
    painter.setPen(kivui::ToQColor(face ^ 0xFFFFFFu));
    const int right = r.left() + r.width() - 1;
    const int bottom = r.top() + r.height() - 1;
    for (int x = r.left(); x <= right; x += 2) {
        painter.drawPoint(x, r.top());
        painter.drawPoint(x, bottom);
    }
    for (int y = r.top(); y <= bottom; y += 2) {
        painter.drawPoint(r.left(), y);
        painter.drawPoint(right, y);
    }
}

}  // namespace

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent) {}

CColorButton::CColorButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void CColorButton::SetFaceColour(COLORREF colour) {
    face_ = colour;
    update();
}

void CColorButton::SetPressedFaceColour(COLORREF colour) {
    pressedFace_ = colour;
    update();
}

void CColorButton::SetTextColour(COLORREF colour) {
    text_ = colour;
    update();
}

void CColorButton::SetDrawFocusRect(bool on) {
    drawFocus_ = on;
    update();
}

QRect CColorButton::LastDrawnRect() {
    return g_lastDrawnRect;
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect rect = this->rect();
    g_lastDrawnRect = rect;
    DrawFace(painter, rect, isDown());
    if (!text().isEmpty()) DrawLabel(painter, rect);
    if (drawFocus_ && hasFocus()) {
        DrawFocusRect(painter,
                      g_lastDrawnRect.adjusted(kDragThresholdX, kDragThresholdY, -kDragThresholdX,
                                               -kDragThresholdY),
                      isDown() ? pressedFace_ : face_);
    }
}

void CColorButton::DrawFace(QPainter& painter, QRect& rect, bool pressed) const {
    if (pressed) {
        painter.fillRect(rect, kivui::ToQColor(pressedFace_));
        Draw3dRect(painter, rect, dark_, light_);
        rect.translate(1, 1);
    } else {
        painter.fillRect(rect, kivui::ToQColor(face_));
        Draw3dRect(painter, rect, light_, dark_);
    }
}

void CColorButton::DrawLabel(QPainter& painter, const QRect& rect) const {
    painter.setFont(font());
    const QSize extent = painter.fontMetrics().size(Qt::TextShowMnemonic, text());
    const QRect cell(rect.left() + (rect.width() - extent.width()) / 2,
                     rect.top() + (rect.height() - extent.height()) / 2, extent.width(),
                     extent.height());
    const int flags = Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop;
    if (!isEnabled()) {
        // The platform's grayed look: a white copy one pixel down-right under a shadow one.
        painter.setPen(kivui::ToQColor(kivui::GetSysColor(COLOR_BTNHIGHLIGHT)));
        painter.drawText(cell.translated(1, 1), flags, text());
        painter.setPen(kivui::ToQColor(kivui::GetSysColor(COLOR_BTNSHADOW)));
    } else {
        painter.setPen(kivui::ToQColor(text_));
    }
    painter.drawText(cell, flags, text());
}

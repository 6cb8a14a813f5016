#include "ui/MessageText.h"

#include <QFontMetrics>
#include <QPainter>

namespace kivui {

namespace {
constexpr int kUnwrapped = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs;
constexpr int kTallEnough = 1 << 20;
}  // namespace

CMessageText::CMessageText(QWidget* parent) : QWidget(parent), flags_(kUnwrapped) {}

void CMessageText::SetText(const QString& text) {
    text_ = text;
    update();
}

QSize CMessageText::MeasureText(int wrapWidth) {
    const QFontMetrics metrics(font());
    flags_ = kUnwrapped;
    QRect extent = metrics.boundingRect(QRect(0, 0, 0, 0), flags_, text_);
    if (extent.width() <= wrapWidth) {
        return extent.size();
    }
    flags_ = kUnwrapped | Qt::TextWordWrap;
    extent = metrics.boundingRect(QRect(0, 0, wrapWidth, kTallEnough), flags_, text_);
    if (extent.width() > wrapWidth) {
        // A path or address without blanks: break it rather than run off the screen.
        flags_ = kUnwrapped | Qt::TextWrapAnywhere;
        extent = metrics.boundingRect(QRect(0, 0, wrapWidth, kTallEnough), flags_, text_);
    }
    return extent.size();
}

void CMessageText::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), flags_, text_);
}

}  // namespace kivui

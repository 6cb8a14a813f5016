// The text progress bar: painting the three parts and the two-colour text.
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include "ui/MemDC.h"
#include "ui/TextProgressCtrl.h"

namespace {

// A rectangle as the platform keeps it: right and bottom exclusive.
struct Box {
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    QRect ToQRect() const {
        if (right <= left || bottom <= top) return QRect();
        return QRect(QPoint(left, top), QSize(right - left, bottom - top));
    }
};

struct Part {
    Box box;
    bool drawn = true;
};

struct BarParts {
    Part before;  // A: unfilled, before the block (busy style only)
    Part bar;     // B
    Part after;   // Z: unfilled, after the bar
};

void LayoutNormal(BarParts& p, const Box& r, double f, bool vertical) {
    p.before.drawn = false;
    if (vertical) {
        p.bar.box.top = r.bottom - static_cast<int>(r.Height() * f);
        p.after.box.bottom = p.bar.box.top;
    } else {
        p.bar.box.right = r.left + static_cast<int>(r.Width() * f);
        p.after.box.left = p.bar.box.right;
    }
}

// Busy style, vertical: the block hangs below the position; A is below it.
void LayoutBusyVertical(BarParts& p, const Box& r, double f, int blockWidth) {
    Box& b = p.bar.box;
    b.top = r.bottom - static_cast<int>(r.Height() * f);
    b.bottom = b.top + (r.Height() * blockWidth + 50) / 100;
    if (b.bottom < r.bottom) {
        p.before.box.top = b.bottom;
    } else {
        p.before.drawn = false;
        b.bottom = r.bottom;
    }
    if (r.top < b.top) {
        p.after.box.bottom = b.top;
    } else {
        p.after.drawn = false;
        b.top = r.top;
    }
}

// Busy style, horizontal: the block ends at the position.
void LayoutBusyHorizontal(BarParts& p, const Box& r, double f, int blockWidth) {
    Box& b = p.bar.box;
    b.right = r.left + static_cast<int>(r.Width() * f);
    b.left = b.right - (r.Width() * blockWidth + 50) / 100;
    if (r.left < b.left) {
        p.before.box.right = b.left;
    } else {
        p.before.drawn = false;
        b.left = r.left;
    }
    if (b.right < r.right) {
        p.after.box.left = b.right;
    } else {
        p.after.drawn = false;
        b.right = r.right;
    }
}

BarParts Layout(const Box& r, double f, bool vertical, bool marquee, int blockWidth) {
    BarParts parts{{r}, {r}, {r}};
    if (!marquee) {
        LayoutNormal(parts, r, f, vertical);
    } else if (vertical) {
        LayoutBusyVertical(parts, r, f, blockWidth);
    } else {
        LayoutBusyHorizontal(parts, r, f, blockWidth);
    }
    return parts;
}

// Top-left of the text cell (for vertical text: of the turned cell, whose
// text runs upward from this point).
QPoint TextOrigin(const Box& r, int align, bool vertical, int tw, int th) {
    if (vertical) {
        const int y = align == 0   ? r.bottom - 3
                      : align == 2 ? r.top + tw + 2
                                   : r.top + tw + (r.Height() - tw) / 2;
        return QPoint(r.left + (r.Width() - th) / 2, y);
    }
    const int x = align == 0   ? r.left + 2
                  : align == 2 ? r.right - tw - 3
                               : r.left + (r.Width() - tw) / 2;
    return QPoint(x, r.top + (r.Height() - th) / 2);
}

void DrawClippedText(QPainter& painter, const QRect& clip, const QPoint& origin, bool vertical,
                     const QString& text, COLORREF colour) {
    if (clip.isEmpty()) return;
    painter.save();
    painter.setClipRect(clip);
    painter.setPen(kivui::ToQColor(colour));
    const int ascent = painter.fontMetrics().ascent();
    painter.translate(origin);
    if (vertical) painter.rotate(-90);  // escapement 900: reads upward
    painter.drawText(0, ascent, text);
    painter.restore();
}

}  // namespace

void CTextProgressCtrl::paintEvent(QPaintEvent* event) {
    QPainter target(this);
    if (bordered_) {
        target.setPen(Qt::black);
        target.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (lower_ >= upper_) return;  // an empty range draws nothing
    CMemDC surface(target, event->rect() & ClientRect());
    PaintBar(surface.Painter());
}

void CTextProgressCtrl::PaintBar(QPainter& painter) {
    const auto resolved = [this](win::UINT message) {
        return static_cast<COLORREF>(HandleMessage(message, 0, 0));
    };
    const COLORREF bar = resolved(TPM_GETBARCOLOR);
    const COLORREF background = resolved(TPM_GETBKCOLOR);
    const bool vertical = (style_ & PBS_VERTICAL) != 0;
    const double f = static_cast<double>(position_ - lower_) / (upper_ - lower_);
    const QRect client = ClientRect();
    const Box r{client.left(), client.top(), client.left() + client.width(),
                client.top() + client.height()};
    const BarParts parts = Layout(r, f, vertical, (style_ & PBS_MARQUEE) != 0, blockWidth_);

    if (parts.before.drawn)
        painter.fillRect(parts.before.box.ToQRect(), kivui::ToQColor(background));
    painter.fillRect(parts.bar.box.ToQRect(), kivui::ToQColor(bar));
    if (parts.after.drawn) painter.fillRect(parts.after.box.ToQRect(), kivui::ToQColor(background));

    QString text = Text();
    if (showPercent_) text += QString::asprintf("%d%%", static_cast<int>(f * 100 + 0.5));
    if (text.isEmpty()) return;
    painter.setFont(font());
    const QFontMetrics metrics = painter.fontMetrics();
    const QPoint origin =
        TextOrigin(r, textAlign_, vertical, metrics.horizontalAdvance(text), metrics.height());
    const COLORREF textColour = resolved(TPM_GETTEXTCOLOR);
    if (parts.before.drawn) {
        DrawClippedText(painter, parts.before.box.ToQRect() & client, origin, vertical, text,
                        textColour);
    }
    DrawClippedText(painter, parts.bar.box.ToQRect() & client, origin, vertical, text,
                    resolved(TPM_GETTEXTBKCOLOR));
    if (parts.after.drawn) {
        DrawClippedText(painter, parts.after.box.ToQRect() & client, origin, vertical, text,
                        textColour);
    }
}

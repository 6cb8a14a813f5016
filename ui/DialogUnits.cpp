// Dialog units to pixels for a dialog font.
#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <cstdlib>

#include "ui/DialogTemplates.h"

namespace kivui {

namespace {

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetLength = 52;

}  // namespace

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(static_cast<long long>(c)) / 2;
    // Rounded half away from zero.
    const long long rounded = (product < 0) == (c < 0) ? (product + (c < 0 ? -half : half)) / c
                                                       : (product - (c < 0 ? -half : half)) / c;
    return static_cast<int>(rounded);
}

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
    baseX_ = (alphabetWidth + kAlphabetLength / 2) / kAlphabetLength;
    baseY_ = metrics.height();
}

int CDialogUnits::ToPixelsX(int units) const {
    return MulDiv(units, baseX_, 4);
}

int CDialogUnits::ToPixelsY(int units) const {
    return MulDiv(units, baseY_, 8);
}

QRect CDialogUnits::ToPixels(int x, int y, int cx, int cy) const {
    // Position and size each rounded on their own, as dialog creation does.
    return QRect(QPoint(ToPixelsX(x), ToPixelsY(y)), ToPixelsSize(cx, cy));
}

QRect CDialogUnits::ToPixels(const DialogItem& item) const {
    return ToPixels(item.x, item.y, item.cx, item.cy);
}

QSize CDialogUnits::ToPixelsSize(int cx, int cy) const {
    return QSize(ToPixelsX(cx), ToPixelsY(cy));
}

}  // namespace kivui

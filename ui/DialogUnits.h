#pragma once
// Dialog units to pixels with the platform's rule for a dialog font: the base
// width is the average character width, the width of
// "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz" divided by 52 and
// rounded; the base height is the font's character height (ascent plus
// descent). x pixels = units x base width / 4, y pixels = units x base
// height / 8, each rounded half away from zero (MulDiv).
#include <QFont>
#include <QRect>

namespace kivui {

struct DialogItem;

class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);
    CDialogUnits(int baseWidth, int baseHeight) : baseX_(baseWidth), baseY_(baseHeight) {}

    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }
    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int cx, int cy) const;
    QRect ToPixels(const DialogItem& item) const;
    QSize ToPixelsSize(int cx, int cy) const;

private:
    int baseX_;
    int baseY_;
};

// a x b / c rounded half away from zero; 0 divisor gives -1 as the platform's does.
int MulDiv(int a, int b, int c);

}  // namespace kivui

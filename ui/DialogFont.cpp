// The templates' fonts as this platform has them.
#include "ui/DialogFont.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "ui/DialogTemplates.h"
#include "ui/DialogUnits.h"

namespace kivui {

namespace {

constexpr int kDefaultDotsPerInch = 96;
constexpr int kPointsPerInch = 72;

}  // namespace

int PointsToPixels(int points, int dotsPerInch) {
    return MulDiv(points, dotsPerInch, kPointsPerInch);
}

int ScreenDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return kDefaultDotsPerInch;
    const int dotsPerInch = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    return dotsPerInch > 0 ? dotsPerInch : kDefaultDotsPerInch;
}

QFont DialogFont(const std::string& templateFace, int pointSize) {
    const char* family =
        templateFace == "MS UI Gothic" ? kJapaneseDialogFamily : kLatinDialogFamily;
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(PointsToPixels(pointSize, ScreenDotsPerInch()));
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
    return DialogFont(dialogTemplate.fontFace, dialogTemplate.pointSize);
}

}  // namespace kivui

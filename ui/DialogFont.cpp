// The templates' fonts as this platform has them.
#include "ui/DialogFont.h"

#include "ui/DialogTemplates.h"
#include "ui/DialogUnits.h"

namespace kivui {

namespace {

constexpr int kDotsPerInch = 96;
constexpr int kPointsPerInch = 72;

}  // namespace

int PointsToPixels(int points) {
    return MulDiv(points, kDotsPerInch, kPointsPerInch);
}

QFont DialogFont(const std::string& templateFace, int pointSize) {
    const char* family =
        templateFace == "MS UI Gothic" ? kJapaneseDialogFamily : kLatinDialogFamily;
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(PointsToPixels(pointSize));
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
    return DialogFont(dialogTemplate.fontFace, dialogTemplate.pointSize);
}

}  // namespace kivui

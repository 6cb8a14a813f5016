#include <gtest/gtest.h>

#include <QFontInfo>
#include <QPainter>
#include <cstdlib>

#include "ui/DialogFont.h"
#include "ui/DialogTemplates.h"
#include "ui/DialogUnits.h"

namespace {

using kivui::CDialogUnits;
using kivui::DialogFont;

QImage Render(const QFont& font, const QString& text) {
    QImage image(48, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 24, text);
    return image;
}

bool HasInk(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != QColor(Qt::white)) return true;
        }
    }
    return false;
}

TEST(DialogFontTest, TemplateFontsMapToInstalledFamiliesAtNinetySixDpi) {
    if (kivui::ScreenDotsPerInch() != 96) GTEST_SKIP() << "the screen is not at 96 dpi";
    const QFont latin = DialogFont("MS Shell Dlg", 8);
    EXPECT_EQ(QFontInfo(latin).family(), "DejaVu Sans");
    EXPECT_EQ(QFontInfo(latin).pixelSize(), 11);
    const QFont japanese = DialogFont("MS UI Gothic", 9);
    EXPECT_EQ(QFontInfo(japanese).family(), "Noto Sans CJK JP");
    EXPECT_EQ(QFontInfo(japanese).pixelSize(), 12);
}

// A missing font draws the same box for every character: this fails loudly then.
TEST(DialogFontTest, DifferentCharactersDrawDifferently) {
    const QFont japanese = DialogFont("MS UI Gothic", 9);
    const QImage a = Render(japanese, QString::fromUtf8("あ"));
    const QImage i = Render(japanese, QString::fromUtf8("い"));
    EXPECT_TRUE(HasInk(a));
    EXPECT_NE(a, i);
    const QFont latin = DialogFont("MS Shell Dlg", 8);
    const QImage capitalA = Render(latin, "A");
    EXPECT_TRUE(HasInk(capitalA));
    EXPECT_NE(capitalA, Render(latin, "B"));
}

TEST(DialogUnitsTest, ConversionRoundsHalfAwayFromZero) {
    const CDialogUnits units(6, 13);  // the platform's classic 8-point base
    EXPECT_EQ(units.ToPixelsX(278), 417);
    EXPECT_EQ(units.ToPixelsY(121), 197);  // 196.625
    EXPECT_EQ(units.ToPixelsX(1), 2);      // 1.5
    EXPECT_EQ(units.ToPixelsX(-1), -2);
    EXPECT_EQ(units.ToPixelsY(4), 7);  // 6.5
    EXPECT_EQ(units.ToPixels(7, 37, 50, 14), QRect(11, 60, 75, 23));
    EXPECT_EQ(kivui::MulDiv(5, 3, 0), -1);
}

// Base units of both dialog fonts, as the installed fonts give them.
TEST(DialogUnitsTest, BaseUnitsOfBothDialogFonts) {
    const CDialogUnits latin(DialogFont("MS Shell Dlg", 8));
    EXPECT_EQ(latin.BaseX(), 7);
    EXPECT_EQ(latin.BaseY(), 13);
    const CDialogUnits japanese(DialogFont("MS UI Gothic", 9));
    EXPECT_EQ(japanese.BaseX(), 7);
    EXPECT_EQ(japanese.BaseY(), 17);
    // The download dialog in pixels.
    const auto* english = kivui::LoadDialogTemplate(kivui::IDD_DOWNLOAD, win::Language::English);
    ASSERT_NE(english, nullptr);
    EXPECT_EQ(latin.ToPixelsSize(english->cx, english->cy), QSize(487, 197));
}

// Run again by ctest on a screen of 144 dpi (KIV_TEST_SCREEN_DPI says so): a
// screen set to a larger scale gets larger fonts, and with them a larger
// dialog.
TEST(DialogScaleTest, TheDownloadDialogFollowsTheScreensDpi) {
    const int dpi = kivui::ScreenDotsPerInch();
    if (const char* forced = std::getenv("KIV_TEST_SCREEN_DPI")) {
        ASSERT_EQ(dpi, std::atoi(forced));
    }
    const QFont latin = DialogFont("MS Shell Dlg", 8);
    EXPECT_EQ(QFontInfo(latin).pixelSize(), kivui::PointsToPixels(8, dpi));
    const auto* english = kivui::LoadDialogTemplate(kivui::IDD_DOWNLOAD, win::Language::English);
    ASSERT_NE(english, nullptr);
    const QSize size = CDialogUnits(latin).ToPixelsSize(english->cx, english->cy);
    const double scale = dpi / 96.0;  // 487 x 197 at 96 dpi
    EXPECT_NEAR(size.width(), 487 * scale, 487 * scale / 10);
    EXPECT_NEAR(size.height(), 197 * scale, 197 * scale / 10);
}

}  // namespace

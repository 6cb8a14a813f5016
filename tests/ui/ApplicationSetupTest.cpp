// What every application of the program gets: Qt's own texts in the
// program's language, and the desktop entry's icon.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

#include "ui/ApplicationSetup.h"

namespace {

TEST(ApplicationSetupTest, QtsOwnTextsFollowJapaneseAndTheIconIsDrawn) {
    QCoreApplication& application = *QCoreApplication::instance();
    const QString lookIn = QStringLiteral("Look in:");  // the folder dialog's
    EXPECT_EQ(kivui::InstallQtTranslations(application, win::Language::English), nullptr);
    QTranslator* japanese = kivui::InstallQtTranslations(application, win::Language::Japanese);
    ASSERT_NE(japanese, nullptr) << "Qt's catalogues (qt6-translations-l10n) are missing";
    const QString translated = QCoreApplication::translate("QFileDialog", "Look in:");
    QCoreApplication::removeTranslator(japanese);
    delete japanese;
    EXPECT_NE(translated, lookIn);
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), lookIn);

    // Drawn from the SVG: the blue of its lower half (#1f5fa8).
    const QImage image = kivui::ProgramIcon().pixmap(64, 64).toImage();
    ASSERT_FALSE(image.isNull()) << "no SVG icon engine (libqt6svg6)";
    EXPECT_EQ(image.pixelColor(10, 40).rgb(), QColor(0x1f, 0x5f, 0xa8).rgb());
}

}  // namespace

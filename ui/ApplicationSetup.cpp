#include "ui/ApplicationSetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "ui/DialogColours.h"

// The resource lies in this static library: registered by name before use.
static void RegisterIconResource() {
    Q_INIT_RESOURCE(kiv_ui_icons);
}

namespace kivui {

QTranslator* InstallQtTranslations(QCoreApplication& application, win::Language language) {
    if (language != win::Language::Japanese) return nullptr;
    auto* translator = new QTranslator(&application);
    // "qt_ja" gathers the catalogues of Qt's modules (qtbase_ja: the file dialog's texts).
    if (!translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qt", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

QIcon ProgramIcon() {
    RegisterIconResource();
    return QIcon(QStringLiteral(":/kiv/kiv-downloader.svg"));
}

void SetUpApplication(QApplication& application) {
    ApplyUiStyle(application);
    InstallQtTranslations(application, win::UserLanguage());
    QApplication::setWindowIcon(ProgramIcon());
}

}  // namespace kivui

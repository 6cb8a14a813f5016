#pragma once
// What every QApplication of the program gets before its first window: the
// style and colours, Qt's own texts in the program's language, and the
// program's icon (the desktop entry's SVG) on every window.
#include <QIcon>

#include "platform/Language.h"

class QApplication;
class QCoreApplication;
class QTranslator;

namespace kivui {

void SetUpApplication(QApplication& application);

// Qt's catalogue for `language` from Qt's translations folder, installed in
// `application` (which owns it); null for English, Qt's own language, or
// when the catalogue is missing.
QTranslator* InstallQtTranslations(QCoreApplication& application, win::Language language);

// The program's icon, drawn from the SVG built into the program.
QIcon ProgramIcon();

}  // namespace kivui

// The system colours of this front end and the application style.
#include "ui/DialogColours.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace kivui {

COLORREF GetSysColor(int index) {
    switch (index) {
        case COLOR_WINDOW:
        case COLOR_BTNHIGHLIGHT:
            return RGB(255, 255, 255);
        case COLOR_WINDOWTEXT:
            return RGB(0, 0, 0);
        case COLOR_HIGHLIGHT:
            return RGB(51, 153, 255);
        case COLOR_BTNFACE:
            return RGB(240, 240, 240);
        case COLOR_BTNSHADOW:
            return RGB(160, 160, 160);
        case COLOR_GRAYTEXT:
            return RGB(109, 109, 109);
        default:
            return RGB(0, 0, 0);
    }
}

void ApplyUiStyle(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create("Fusion")) application.setStyle(fusion);
    QPalette palette;
    palette.setColor(QPalette::Window, ToQColor(GetSysColor(COLOR_BTNFACE)));
    palette.setColor(QPalette::Button, ToQColor(GetSysColor(COLOR_BTNFACE)));
    palette.setColor(QPalette::Base, ToQColor(GetSysColor(COLOR_WINDOW)));
    palette.setColor(QPalette::WindowText, ToQColor(GetSysColor(COLOR_WINDOWTEXT)));
    palette.setColor(QPalette::Text, ToQColor(GetSysColor(COLOR_WINDOWTEXT)));
    palette.setColor(QPalette::ButtonText, ToQColor(GetSysColor(COLOR_WINDOWTEXT)));
    palette.setColor(QPalette::Highlight, ToQColor(GetSysColor(COLOR_HIGHLIGHT)));
    palette.setColor(QPalette::HighlightedText, ToQColor(GetSysColor(COLOR_WINDOW)));
    palette.setColor(QPalette::Light, ToQColor(GetSysColor(COLOR_BTNHIGHLIGHT)));
    palette.setColor(QPalette::Dark, ToQColor(GetSysColor(COLOR_BTNSHADOW)));
    palette.setColor(QPalette::Disabled, QPalette::WindowText,
                     ToQColor(GetSysColor(COLOR_GRAYTEXT)));
    palette.setColor(QPalette::Disabled, QPalette::Text, ToQColor(GetSysColor(COLOR_GRAYTEXT)));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText,
                     ToQColor(GetSysColor(COLOR_GRAYTEXT)));
    QApplication::setPalette(palette);
}

}  // namespace kivui

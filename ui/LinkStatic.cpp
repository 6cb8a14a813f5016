// The hyperlink static text.
#include "ui/LinkStatic.h"

#include <QEnterEvent>
#include <QEvent>
#include <QMouseEvent>

#include "control/ControlServices.h"

using kivcontrol::ILauncher;

CLinkStatic::CLinkStatic(QWidget* parent, ILauncher* launcher)
    : QLabel(parent), launcher_(launcher) {
    // The link's text may come from the page; this control opens what it
    // was given itself, never what markup in the text names.
    setTextFormat(Qt::PlainText);
    setOpenExternalLinks(false);
    setCursor(Qt::PointingHandCursor);
    ApplyLook();
}

void CLinkStatic::SetColours(COLORREF normal, COLORREF hover) {
    normal_ = normal;
    hover_ = hover;
    ApplyLook();
}

void CLinkStatic::SetTransparentBackground(bool on) {
    transparent_ = on;
    ApplyLook();
}

void CLinkStatic::ApplyLook() {
    applyingLook_ = true;
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, kivui::ToQColor(CurrentTextColour()));
    colours.setColor(QPalette::Window, kivui::ToQColor(kivui::GetSysColor(COLOR_BTNFACE)));
    setPalette(colours);
    setAutoFillBackground(!transparent_);
    applyingLook_ = false;
}

void CLinkStatic::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    // A font given later (the dialog's) still gets its underline.
    if (event->type() == QEvent::FontChange && !applyingLook_ && !font().underline()) ApplyLook();
}

void CLinkStatic::SetHovering(bool hovering) {
    if (hovering == hovering_) return;
    hovering_ = hovering;
    ApplyLook();
    repaint();
}

void CLinkStatic::enterEvent(QEnterEvent* event) {
    SetHovering(true);
    QLabel::enterEvent(event);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    SetHovering(false);
    QLabel::leaveEvent(event);
}

void CLinkStatic::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Open();
        emit clicked();
    }
    QLabel::mousePressEvent(event);
}

void CLinkStatic::Open() {
    if (launcher_ == nullptr) return;
    // Failures are silent: a link that does not open is not an error to show.
    launcher_->Launch({throughBrowser_ ? kBrowser : kShellOpener, target_});
}

#include "frontends/window/WindowPageView.h"

#include <QPaintEvent>
#include <QPainter>

#include "platform/Language.h"
#include "ui/DialogFont.h"
#include "ui/DialogTemplates.h"
#include "ui/DialogUnits.h"
#include "ui/WidgetWindow.h"

CWindowPageView::CWindowPageView(QSize objectSize, QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(objectSize);
    // A top-level window of the window layer, as the browser's is to the control.
    window_ = std::make_unique<CWidgetWindow>(this);
}

CWindowPageView::~CWindowPageView() = default;

win::HWND CWindowPageView::Hwnd() const {
    return window_ ? window_->Hwnd() : nullptr;
}

win::HWND CWindowPageView::DialogWindow() const {
    const CWidgetWindow* window = CWidgetWindow::Of(dialog_);
    return window != nullptr ? window->Hwnd() : nullptr;
}

void CWindowPageView::EmbedDialog(QWidget* dialog) {
    if (dialog == nullptr) return;
    const bool shown = !dialog->isHidden();
    dialog->setParent(this);
    dialog_ = dialog;
    CoverWithDialog();
    // Taking it in hides it; its shown state is the control's to keep.
    if (shown) dialog->show();
}

QSize CWindowPageView::DefaultObjectSize() {
    const kivui::DialogTemplate* layout =
        kivui::LoadDialogTemplate(kivui::IDD_DOWNLOAD, win::UserLanguage());
    if (layout == nullptr) {
        layout = kivui::LoadDialogTemplate(kivui::IDD_DOWNLOAD, win::Language::English);
    }
    const kivui::CDialogUnits units(kivui::DialogFont(*layout));
    return units.ToPixelsSize(layout->cx, layout->cy);
}

void CWindowPageView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
}

void CWindowPageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    CoverWithDialog();
}

void CWindowPageView::CoverWithDialog() {
    if (dialog_ != nullptr && dialog_->geometry() != rect()) dialog_->setGeometry(rect());
}

// Pairs a Qt widget with a window of the window layer.
#include "ui/WidgetWindow.h"

#include <QEvent>
#include <QVariant>

#include "platform/CodePage.h"
#include "platform/Window.h"

namespace {

// Window texts are in the process code page; widgets speak UTF-16.
std::string ToProcessText(const QString& text) {
    std::string converted;
    if (win::Utf8ToProcess(text.toStdString(), converted)) return converted;
    return text.toLatin1().toStdString();
}

QString FromProcessText(const char* text) {
    if (text == nullptr) return QString();
    std::string utf8;
    if (win::ProcessToUtf8(text, utf8)) return QString::fromStdString(utf8);
    return QString::fromLatin1(text);
}

// Explicit states, as the window layer keeps them per window (Qt's
// isVisible()/isEnabled() also depend on the ancestors).
bool ShownExplicitly(const QWidget* widget) {
    return !widget->isHidden();
}
bool EnabledExplicitly(const QWidget* widget) {
    return !widget->testAttribute(Qt::WA_ForceDisabled);
}

// Disabling a window of the window layer disables it and its child controls,
// never the windows it owns: a modal box or folder dialog owned by a window
// the control keeps disabled must still take input. Qt passes a parent's
// disabled state on to every child widget, windows included, so those are
// handed back their own state. Dialogs made later under the disabled widget
// start enabled.
void DisableSparingOwnedWindows(QWidget* widget) {
    widget->setEnabled(false);
    for (QWidget* child : widget->findChildren<QWidget*>()) {
        if (child->isWindow() && EnabledExplicitly(child)) child->setEnabled(true);
    }
}

}  // namespace

namespace {

// Where a widget keeps its adapter, for CWidgetWindow::Of.
constexpr const char* kAdapterProperty = "kivWidgetWindow";

}  // namespace

CWidgetWindow::CWidgetWindow(QWidget* widget, win::HWND parent, win::DWORD style)
    : widget_(widget) {
    if (ShownExplicitly(widget)) style |= win::WS_VISIBLE;
    if (!EnabledExplicitly(widget)) style |= win::WS_DISABLED;
    hwnd_ = win::CreateWindow(
        [this](win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
            return Procedure(hwnd, message, wParam, lParam);
        },
        ToProcessText(widget->windowTitle()), style, parent);
    widget->installEventFilter(this);
    widget->setProperty(kAdapterProperty, QVariant::fromValue(static_cast<QObject*>(this)));
    connect(widget, &QObject::destroyed, this, &CWidgetWindow::DestroyHandle);
}

CWidgetWindow::~CWidgetWindow() {
    if (widget_ != nullptr) {
        widget_->removeEventFilter(this);
        widget_->setProperty(kAdapterProperty, QVariant());
    }
    DestroyHandle();
}

void CWidgetWindow::DestroyHandle() {
    handler_ = nullptr;
    mirroring_ = true;  // the widget is gone or going: leave it alone
    if (hwnd_ != nullptr && win::IsWindow(hwnd_)) win::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

CWidgetWindow* CWidgetWindow::Of(const QWidget* widget) {
    if (widget == nullptr) return nullptr;
    return qobject_cast<CWidgetWindow*>(widget->property(kAdapterProperty).value<QObject*>());
}

bool CWidgetWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_ || mirroring_ || hwnd_ == nullptr) return false;
    mirroring_ = true;
    switch (event->type()) {
        case QEvent::WindowTitleChange:
            win::SetWindowText(hwnd_, ToProcessText(widget_->windowTitle()));
            break;
        case QEvent::ShowToParent:
            win::ShowWindow(hwnd_, win::SW_SHOW);
            break;
        case QEvent::HideToParent:
            win::ShowWindow(hwnd_, win::SW_HIDE);
            break;
        case QEvent::EnabledChange:
            win::EnableWindow(hwnd_, EnabledExplicitly(widget_) ? win::TRUE : win::FALSE);
            break;
        default:
            break;
    }
    mirroring_ = false;
    return false;
}

win::LRESULT CWidgetWindow::Procedure(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                                      win::LPARAM lParam) {
    if (message == win::WM_NCDESTROY) {
        hwnd_ = nullptr;
        return win::DefWindowProc(hwnd, message, wParam, lParam);
    }
    if (handler_) {
        if (const std::optional<win::LRESULT> handled = handler_(message, wParam, lParam)) {
            return *handled;
        }
    }
    if (message == win::WM_CLOSE) {
        // The widget decides (a dialog rejects); the handle goes with this object.
        if (widget_ != nullptr && !mirroring_) widget_->close();
        return 0;
    }
    MirrorToWidget(message, wParam, lParam);
    return win::DefWindowProc(hwnd, message, wParam, lParam);
}

void CWidgetWindow::MirrorToWidget(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    if (widget_ == nullptr || mirroring_) return;
    mirroring_ = true;
    switch (message) {
        case win::WM_SETTEXT:
            widget_->setWindowTitle(FromProcessText(reinterpret_cast<const char*>(lParam)));
            break;
        case win::WM_SHOWWINDOW:
            widget_->setVisible(wParam != 0);
            break;
        case win::WM_ENABLE:
            if (wParam != 0) {
                widget_->setEnabled(true);
            } else {
                DisableSparingOwnedWindows(widget_);
            }
            break;
        default:
            break;
    }
    mirroring_ = false;
}

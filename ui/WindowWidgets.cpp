#include "ui/WindowWidgets.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

#include "ui/WidgetWindow.h"

namespace kivui {

QWidget* WidgetOfWindow(win::HWND hwnd) {
    if (hwnd == nullptr) {
        return nullptr;
    }
    for (QWidget* widget : QApplication::allWidgets()) {
        const CWidgetWindow* window = CWidgetWindow::Of(widget);
        if (window != nullptr && window->Hwnd() == hwnd) {
            return widget;
        }
    }
    return nullptr;
}

bool OnThreadOf(const QObject* object) {
    return QThread::currentThread() == object->thread();
}

}  // namespace kivui

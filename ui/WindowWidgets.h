#pragma once
// From a window handle back to its widget, for owners given as handles.
#include "platform/WindowTypes.h"

class QObject;
class QWidget;

namespace kivui {

// UI thread only: the widget whose CWidgetWindow has `hwnd`, or null.
QWidget* WidgetOfWindow(win::HWND hwnd);
// Whether the calling thread is the thread `object` lives on.
bool OnThreadOf(const QObject* object);

}  // namespace kivui

#pragma once
// A Qt widget that is also a window of the window layer, so that code written
// against window handles (sends, posts, EnumThreadWindows, CloseMessageBoxes)
// reaches it. The handle is created on the calling thread (the UI thread) and
// destroyed with this object.
//
// Mirrored both ways: the widget's title is the window text, and explicit
// show/hide and enable/disable on either side change the other (ShowWindow,
// EnableWindow, SetWindowText from any thread reach the widget through the
// window's procedure). Messages go to the handler first; what it leaves
// (std::nullopt) gets the window layer's default handling, except WM_CLOSE,
// which closes the widget instead of destroying the handle.
//
// The adapter is owned by its creator (it is not a Qt child of the widget, so
// a std::unique_ptr may hold it); when the widget is destroyed first, the
// handle goes with the widget.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/WindowTypes.h"

class CWidgetWindow : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<std::optional<win::LRESULT>(win::UINT, win::WPARAM, win::LPARAM)>;

    // `parent` is the parent window with WS_CHILD in `style`, else the owner.
    explicit CWidgetWindow(QWidget* widget, win::HWND parent = nullptr, win::DWORD style = 0);
    ~CWidgetWindow() override;
    CWidgetWindow(const CWidgetWindow&) = delete;
    CWidgetWindow& operator=(const CWidgetWindow&) = delete;

    win::HWND Hwnd() const { return hwnd_; }
    QWidget* Widget() const { return widget_; }
    void SetHandler(Handler handler) { handler_ = std::move(handler); }

    // The adapter of `widget`, or null.
    static CWidgetWindow* Of(const QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    win::LRESULT Procedure(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                           win::LPARAM lParam);
    void MirrorToWidget(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
    void DestroyHandle();

    QPointer<QWidget> widget_;
    win::HWND hwnd_ = nullptr;
    Handler handler_;
    bool mirroring_ = false;  // a change is being copied: do not copy it back
};

#pragma once
// The control's place in the page: a white area of the object's size whose
// window (of the window layer) is the parent of the control's window. The
// download dialog is embedded here and always covers the whole area, as the
// control moves it onto its bounds whenever it draws.
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <memory>

#include "platform/WindowTypes.h"

class CWidgetWindow;

class CWindowPageView : public QWidget {
public:
    // `objectSize`: the object's size in the page (DefaultObjectSize() when the page gives none).
    CWindowPageView(QSize objectSize, QWidget* parent = nullptr);
    ~CWindowPageView() override;

    // The window the control's window is created in.
    win::HWND Hwnd() const;
    // Takes the dialog's widget in and lays it over the area.
    void EmbedDialog(QWidget* dialog);
    QWidget* Dialog() const { return dialog_; }
    // The dialog's window, or null when there is none (any more).
    win::HWND DialogWindow() const;

    // Template 201's size in pixels, for an object the page gives no size.
    static QSize DefaultObjectSize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CoverWithDialog();

    std::unique_ptr<CWidgetWindow> window_;
    QPointer<QWidget> dialog_;
};

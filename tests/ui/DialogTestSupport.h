#pragma once
// Helpers for the dialog tests: acting on a modal window once it runs, and
// reading pixels of a widget's rendering.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "ui/GdiTypes.h"

namespace uitest {

// While it lives, calls `action` once with the first modal widget that runs
// (a box, a folder dialog). A modal widget still open 10 s after that is
// ended with -99, so a broken test fails instead of hanging.
class ModalWatch {
public:
    explicit ModalWatch(std::function<void(QWidget*)> action) : action_(std::move(action)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
        poll_.start(5);
    }
    ~ModalWatch() { poll_.stop(); }
    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;

    bool Seen() const { return seen_; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        if (!seen_) {
            seen_ = true;
            acted_ = modal;
            since_.start();
            action_(modal);
            return;
        }
        if (modal == acted_ && since_.elapsed() > 10000) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->done(-99);
            }
        }
    }

    std::function<void(QWidget*)> action_;
    QTimer poll_;
    bool seen_ = false;
    QPointer<QWidget> acted_;
    QElapsedTimer since_;
};

inline COLORREF PixelAt(const QImage& image, int x, int y) {
    return kivui::FromQColor(image.pixelColor(x, y));
}

inline QImage Render(QWidget& widget) {
    return widget.grab().toImage();
}

}  // namespace uitest

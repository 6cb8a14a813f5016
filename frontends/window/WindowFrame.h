#pragma once
// The browser's window: a top-level window titled with the page's title that
// shows the page, a white body with the control's object at its top left.
// Closing it is leaving the page: the close is refused and handed to the
// page's owner, who closes the window for good once the page has gone.
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

class CWindowPageView;

class CWindowFrame : public QWidget {
public:
    CWindowFrame(const QString& title, QSize objectSize);

    CWindowPageView& PageView() const { return *pageView_; }
    void SetCloseRequestHandler(std::function<void()> handler) {
        onCloseRequest_ = std::move(handler);
    }
    // Closes the window; from now on closing is no longer refused.
    void CloseForGood();

    // The page's margin around the object, as a browser's body has.
    static constexpr int kBodyMargin = 8;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CWindowPageView* pageView_;
    std::function<void()> onCloseRequest_;
    bool closing_ = false;
};

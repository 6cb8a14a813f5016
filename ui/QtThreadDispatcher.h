#pragma once
// The window layer's messages on the Qt UI thread. Created on that thread,
// it binds itself as the thread's dispatcher: every post, send or timer for
// the thread's windows wakes it (from any thread) and it pumps them from the
// Qt event loop, including nested loops (QDialog::exec, QEventLoop), since
// the wake-up is an ordinary posted Qt event. Timers of the window layer are
// kept by one single-shot Qt timer set to the next due one. For a
// millisecond after a pump, wakes are gathered into one pump at its end, so a
// stream of posts (progress counts) costs one pump per millisecond rather
// than one per post; a wake after a quiet spell pumps at once.
//
// RunModalLoop (a message box run through the window layer) becomes a nested
// QEventLoop that ends once its condition holds, checked after every pump;
// code that changes the condition through Qt alone calls Wake().
//
// A quit request (PostQuitMessage) ends the innermost modal loop first, as
// the plain loop does, and finally reaches the quit handler (by default
// QCoreApplication::exit with the request's code). A quit request made in a
// window procedure is seen by the same pump; Qt code outside a pump that
// calls PostQuitMessage also calls Wake().
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QEventLoop;

class CQtThreadDispatcher : public QObject {
    Q_OBJECT
public:
    // Binds to the calling thread, which must be this object's thread.
    explicit CQtThreadDispatcher(QObject* parent = nullptr);
    // Unbinds; the thread's messages then wait for the plain loop.
    ~CQtThreadDispatcher() override;
    CQtThreadDispatcher(const CQtThreadDispatcher&) = delete;
    CQtThreadDispatcher& operator=(const CQtThreadDispatcher&) = delete;

    // Any thread: schedule a pump.
    void Wake();
    void SetQuitHandler(std::function<void(int)> handler);
    // Modal loops of the window layer now running on this thread.
    int ModalDepth() const { return static_cast<int>(modalLoops_.size()); }

protected:
    bool event(QEvent* event) override;

private:
    class Seam;
    struct ModalLoop {
        const std::function<bool()>* finished;
        QEventLoop* loop;
        bool endedByQuit;
    };

    void Pump();
    bool RunModalLoop(const std::function<bool()>& finished);
    void HandleQuit(int code);
    void EndFinishedModalLoops();

    std::shared_ptr<Seam> seam_;
    QTimer timerPump_;
    QTimer gatherTimer_;  // ends the gathering of wakes after a pump
    std::vector<ModalLoop*> modalLoops_;
    std::function<void(int)> quitHandler_;
};

// The window layer's pump on the Qt UI thread.
#include "ui/QtThreadDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <algorithm>
#include <climits>
#include <mutex>

#include "platform/Message.h"
#include "platform/ThreadDispatcher.h"

namespace {

const QEvent::Type kPumpEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

// What the window layer holds. A sender may still be inside Wake() when the
// dispatcher goes away, so the QObject is reached only under this lock.
class CQtThreadDispatcher::Seam : public win::IThreadDispatcher {
public:
    explicit Seam(CQtThreadDispatcher* owner) : owner_(owner) {}

    void Wake() override {
        std::lock_guard<std::mutex> hold(mutex_);
        // One pump event at a time: a burst of posts must not flood Qt's queue.
        if (owner_ == nullptr || scheduled_) return;
        scheduled_ = true;
        QCoreApplication::postEvent(owner_, new QEvent(kPumpEvent));
    }
    // Called on the bound thread only, which unbinds before the owner goes.
    bool RunModalLoop(const std::function<bool()>& finished) override {
        return owner_->RunModalLoop(finished);
    }
    // A wake that arrives from now on needs a pump of its own.
    void PumpStarting() {
        std::lock_guard<std::mutex> hold(mutex_);
        scheduled_ = false;
    }
    void Detach() {
        std::lock_guard<std::mutex> hold(mutex_);
        owner_ = nullptr;
    }

private:
    std::mutex mutex_;
    CQtThreadDispatcher* owner_;
    bool scheduled_ = false;
};

CQtThreadDispatcher::CQtThreadDispatcher(QObject* parent)
    : QObject(parent),
      seam_(std::make_shared<Seam>(this)),
      quitHandler_([](int code) { QCoreApplication::exit(code); }) {
    timerPump_.setSingleShot(true);
    timerPump_.setTimerType(Qt::PreciseTimer);
    connect(&timerPump_, &QTimer::timeout, this, &CQtThreadDispatcher::Pump);
    win::BindThreadDispatcher(seam_);
}

CQtThreadDispatcher::~CQtThreadDispatcher() {
    win::BindThreadDispatcher(nullptr);
    seam_->Detach();
}

void CQtThreadDispatcher::Wake() {
    seam_->Wake();
}

void CQtThreadDispatcher::SetQuitHandler(std::function<void(int)> handler) {
    quitHandler_ = std::move(handler);
}

bool CQtThreadDispatcher::event(QEvent* event) {
    if (event->type() != kPumpEvent) return QObject::event(event);
    Pump();
    return true;
}

void CQtThreadDispatcher::Pump() {
    seam_->PumpStarting();
    const win::PumpResult result = win::DispatchPendingMessages();
    if (result.quitRequested) HandleQuit(result.quitCode);
    if (result.msUntilNextTimer == win::INFINITE) {
        timerPump_.stop();
    } else {
        timerPump_.start(static_cast<int>(std::min<win::DWORD>(result.msUntilNextTimer, INT_MAX)));
    }
    EndFinishedModalLoops();
}

bool CQtThreadDispatcher::RunModalLoop(const std::function<bool()>& finished) {
    if (finished()) return true;
    QEventLoop loop;
    ModalLoop frame{&finished, &loop, false};
    modalLoops_.push_back(&frame);
    // What is queued already may be what ends this loop.
    Wake();
    loop.exec();
    modalLoops_.erase(std::find(modalLoops_.begin(), modalLoops_.end(), &frame));
    // A loop left without its condition (QCoreApplication::exit) counts as quit.
    return !frame.endedByQuit && finished();
}

void CQtThreadDispatcher::HandleQuit(int code) {
    // The innermost modal loop not yet ended by a quit ends now; the request
    // is posted again for the loop around it, as the plain loop does.
    for (auto it = modalLoops_.rbegin(); it != modalLoops_.rend(); ++it) {
        if ((*it)->endedByQuit) continue;
        (*it)->endedByQuit = true;
        (*it)->loop->quit();
        // Posting a quit request to one's own thread wakes nobody: pump again.
        win::PostQuitMessage(code);
        Wake();
        return;
    }
    if (quitHandler_) quitHandler_(code);
}

void CQtThreadDispatcher::EndFinishedModalLoops() {
    for (ModalLoop* frame : modalLoops_) {
        if (!frame->endedByQuit && (*frame->finished)()) frame->loop->quit();
    }
}

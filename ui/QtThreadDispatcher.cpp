// The window layer's pump on the Qt UI thread.
#include "ui/QtThreadDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <algorithm>
#include <climits>
#include <mutex>
#include <utility>

#include "platform/Message.h"
#include "platform/ThreadDispatcher.h"

namespace {

const QEvent::Type kPumpEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
// How long after a pump the wakes are gathered. A worker posts a progress
// count for every 16 KiB it reads; a pump, and a wake of this thread, for
// each of them cost more than the download itself. Gathered, they make at
// most one pump a millisecond, and a lone message still goes at once.
constexpr int kWakeGatherMs = 1;

}  // namespace

// What the window layer holds. A sender may still be inside Wake() when the
// dispatcher goes away, so the QObject is reached only under this lock.
class CQtThreadDispatcher::Seam : public win::IThreadDispatcher {
public:
    explicit Seam(CQtThreadDispatcher* owner) : owner_(owner) {}

    void Wake() override {
        std::lock_guard<std::mutex> hold(mutex_);
        if (owner_ == nullptr) return;
        if (holding_) {
            wokenWhileHolding_ = true;
            return;
        }
        // One pump event at a time: a burst of posts must not flood Qt's queue.
        if (scheduled_) return;
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
        holding_ = false;
        wokenWhileHolding_ = false;
    }
    // After a pump: wakes are gathered for one pump when the hold ends.
    void BeginHold() {
        std::lock_guard<std::mutex> hold(mutex_);
        holding_ = true;
    }
    // True when a wake came during the hold.
    bool EndHold() {
        std::lock_guard<std::mutex> hold(mutex_);
        holding_ = false;
        return std::exchange(wokenWhileHolding_, false);
    }
    void Detach() {
        std::lock_guard<std::mutex> hold(mutex_);
        owner_ = nullptr;
    }

private:
    std::mutex mutex_;
    CQtThreadDispatcher* owner_;
    bool scheduled_ = false;
    bool holding_ = false;
    bool wokenWhileHolding_ = false;
};

CQtThreadDispatcher::CQtThreadDispatcher(QObject* parent)
    : QObject(parent),
      seam_(std::make_shared<Seam>(this)),
      quitHandler_([](int code) { QCoreApplication::exit(code); }) {
    timerPump_.setSingleShot(true);
    timerPump_.setTimerType(Qt::PreciseTimer);
    connect(&timerPump_, &QTimer::timeout, this, &CQtThreadDispatcher::Pump);
    gatherTimer_.setSingleShot(true);
    gatherTimer_.setTimerType(Qt::PreciseTimer);
    connect(&gatherTimer_, &QTimer::timeout, this, [this] {
        if (seam_->EndHold()) Pump();
    });
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
    seam_->BeginHold();
    gatherTimer_.start(kWakeGatherMs);
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

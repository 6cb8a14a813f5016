#pragma once
// One page's life in the window: the control from its creation to its
// release, and leaving the page, because the user closes the window or the
// control asks the browser to quit at the end of its run.
//
// Leaving fires beforeunload. When the control set a leave text (a transfer
// is running), the user is asked first; Stay keeps everything as it was.
// Then unload is fired, the run is given time to record its end while the
// window keeps working, and the control is closed; the window closes and
// `finished` gets the run's exit status once the control is gone. Window
// thread only.
//
// When the page is in a browser (the browser host) the browser reports the
// page's events instead (the Page* calls) and asks its own leave question;
// the window's own question is then only for closing the window.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "control/ControlServices.h"
#include "control/PropertyBag.h"
#include "control/module/ComPtr.h"
#include "control/module/KivDownloadControlApi.h"
#include "frontends/window/WindowLeaveQuestion.h"

class CWindowBrowserHost;
class CWindowFrame;

struct WindowSessionTimings {
    unsigned pollMs = 20;
    // How long the run may take to stop once the page is gone before the
    // control is closed anyway (its teardown then waits on its own terms).
    unsigned runEndMs = 10000;
    // How long a close deferred to a worker that will not end is awaited.
    unsigned releaseMs = 30000;
};

// The exit status from the control's error code: 0 (success) only when the
// run ended by itself, that is when the control asked the browser to quit;
// a page left by the user before the run recorded anything was cancelled.
int WindowRunStatus(int errorCode, bool runEnded);

class CWindowSession {
public:
    CWindowSession(CWindowFrame& frame, CWindowBrowserHost& browser,
                   std::function<void(int)> finished, WindowSessionTimings timings = {});
    ~CWindowSession();
    CWindowSession(const CWindowSession&) = delete;
    CWindowSession& operator=(const CWindowSession&) = delete;

    // Gives the control its services and the page's parameters and creates
    // its window in the page view, which starts the run. Call it just before
    // the loop that serves the window runs. `keepServices` holds what the
    // services are made of: it is let go only when the control is gone,
    // which may be after the session (a worker that outlives the waits).
    void Start(com::ComPtr<com::IKivDownloadControl> control,
               const kivcontrol::ControlServices& services, const kivcontrol::IPropertyBag& page,
               std::shared_ptr<void> keepServices = {});

    // The user closes the window.
    void RequestLeave();
    // The control asks the browser to quit; called from its handler, so the
    // leaving starts from the loop.
    void RequestQuit();
    // The program is told to end (SIGTERM, SIGHUP): leaves as if the user
    // had answered Leave, which cancels a running transfer.
    void Stop();

    // The page in a browser: it is left without a question of its own (the
    // control may still close its boxes and cancel); the browser asks its
    // leave question (the control's leave text when it has the browser ask);
    // the user answered that question with Stay; the page is gone.
    void PageBeforeUnload();
    std::optional<std::string> PageLeaveQuestionOpened();
    void PageLeaveQuestionClosed();
    void PageGone();
    // Leaving the page now would have the browser ask first.
    bool LeaveGuarded() const;
    // The control asked the browser to quit: the run ended by itself.
    bool RunEnded() const { return runEnded_; }

    const CWindowLeaveQuestion& LeaveQuestion() const { return question_; }
    // Null once closed.
    com::IKivDownloadControl* Control() const { return control_.Get(); }
    bool Ended() const { return stage_ == Stage::Ended; }

private:
    enum class Stage { Idle, Running, Asking, Unloading, Closing, Ended };

    void NameApplication();
    void BeginLeave();
    void OnAnswer(bool leave);
    void Unload();
    void Poll();
    bool RunStopped() const;
    bool InsideNestedLoop() const;
    void Close();
    void Finish();

    CWindowFrame& frame_;
    CWindowBrowserHost& browser_;
    std::function<void(int)> finished_;
    const WindowSessionTimings timings_;
    com::ComPtr<com::IKivDownloadControl> control_;
    std::shared_ptr<void> keepServices_;
    CWindowLeaveQuestion question_;
    Stage stage_ = Stage::Idle;
    bool runEnded_ = false;    // the control asked the browser to quit
    bool runStopped_ = false;  // ... after the page was left
    bool startFailed_ = false;
    bool quitPending_ = false;
    bool browserAsking_ = false;  // the browser's leave question is open
    int status_ = 2;
    int loopLevel_ = 0;  // of the loop that serves the window
    QObject context_;    // queued calls and the timer die with the session
    QTimer poll_;
    QElapsedTimer stageClock_;
    std::shared_ptr<std::atomic<bool>> released_;
};

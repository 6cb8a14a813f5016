#pragma once
// What the transfer engine needs of the control, as five small ports: its
// run state, its settings, the cancel and read gates, the dialog, and the
// two questions. The control implements them; tests fake them. The engine
// never reaches the user or the UI toolkit in any other way. Functions that
// need one or two ports take just those.
#include <memory>

#include "transfer/DialogPort.h"
#include "transfer/RunGate.h"
#include "transfer/RunSettings.h"
#include "transfer/RunState.h"
#include "transfer/UserQuestions.h"

namespace win {
class CInternetSession;
}  // namespace win

namespace kivtransfer {

class IDownloadControl : public IRunState,
                         public IRunSettings,
                         public IRunGate,
                         public IDialogPort,
                         public IUserQuestions {
public:
    IDownloadControl();
    IDownloadControl(const IDownloadControl&) = delete;
    IDownloadControl& operator=(const IDownloadControl&) = delete;
    ~IDownloadControl() override;

    // The run's internet session, made at first use; worker thread only. The
    // size queries and transfers of a run share it, so its kept-alive
    // connection to a server serves them all instead of two new connections
    // per item. Throws std::bad_alloc when it cannot be made.
    win::CInternetSession& Session();

private:
    std::unique_ptr<win::CInternetSession> session_;
};

}  // namespace kivtransfer

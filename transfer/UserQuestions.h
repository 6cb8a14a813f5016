#pragma once
// The two questions the worker has the control's window ask (proxy
// credentials; whether the browser's leave question is open) and the flag
// the page sets while it asks the user whether to leave. The questions are
// asked from the worker thread; the flag is set on the window thread.
#include <cstdint>

#include "transfer/ControlMessages.h"

namespace win {
class CHttpFile;
}  // namespace win

namespace kivtransfer {

class IUserQuestions {
public:
    virtual ~IUserQuestions() = default;
    virtual bool ControlWindowExists() const = 0;
    // CTLM_INETERRORDLG: asks the user for proxy credentials for `request`;
    // 12032 means "send again" (the credentials are then set on the request).
    virtual LRESULT AskProxyCredentials(win::CHttpFile& request) = 0;
    // CTLM_BROWSERDIALOG with SendMessageTimeout(SMTO_BLOCK, timeout): false
    // when it could not be delivered in time; else `answer` holds the result.
    virtual bool AskBrowserDialogOpen(std::uint32_t timeoutMs, LRESULT& answer) = 0;
    // The page asks whether to leave: the worker pauses until the browser's
    // question is gone. Take clears the flag and tells whether it was set.
    virtual void SetLeavePromptPending() = 0;
    virtual bool TakeLeavePromptPending() = 0;
};

}  // namespace kivtransfer

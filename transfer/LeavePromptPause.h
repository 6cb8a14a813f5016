#pragma once
// The pause both the transfer and the hashing make while the page asks the
// user whether to leave: no data moves until the browser's question is gone.
#include <functional>

#include "transfer/DownloadControl.h"

namespace kivtransfer {

// Sleeps and asks the control's window again while the leave prompt is
// pending; `stopWhenUndelivered` is asked each time the question could not be
// asked (no window, or no answer in time) and ends the pause at once when it
// says true. Restarts the rate meter after a pause that ran to its end.
// False when `stopWhenUndelivered` ended it.
bool PauseWhileLeavePromptIsOpen(IDownloadControl& control,
                                 const std::function<bool()>& stopWhenUndelivered);

}  // namespace kivtransfer

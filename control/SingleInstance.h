#pragma once
// One download run at a time for the user: every control holds a named mutex
// from its parameter load until the page unloads, the window creation
// reports an error or the control is destroyed. A control that finds the
// mutex already open asks the user to close the other run and retry.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "control/ControlServices.h"
#include "platform/NamedMutex.h"
#include "transfer/ErrorState.h"

namespace kivcontrol {

// The mutex's name: our fixed GUID in registry form with braces, upper case.
std::string SingleInstanceMutexName();

class CSingleInstanceLock {
public:
    // True when this control may run; the mutex then stays open. Otherwise
    // `error` holds 11 (the mutex could not be made; lastError the OS error)
    // or 1 (the user chose Cancel in the "already running" question, which is
    // titled and filled in with `caption`).
    bool CheckSingleInstance(const std::string& caption, IMessageBoxService& boxes,
                             kivtransfer::ErrorState& error);
    // Lets the next control run; safe to call more than once and from any thread.
    void Close();
    bool IsHeld() const;

private:
    mutable std::mutex guard_;
    std::unique_ptr<win::CNamedMutex> mutex_;
};

// The check in the form ParameterLoadHooks::singleInstanceCheck takes. The
// caption is asked for when the check runs, since the load settles it first.
std::function<bool(kivtransfer::ErrorState&)> MakeSingleInstanceHook(
    CSingleInstanceLock& lock, std::function<std::string()> caption, IMessageBoxService& boxes);

}  // namespace kivcontrol

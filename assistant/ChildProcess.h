#pragma once
// The assistant's process as CreateProcessA reports it, plus the startup
// record it was started with. The handles are closed with the object.
#include "platform/Process.h"

namespace kivassistant {

class CChildProcess {
public:
    CChildProcess();
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    win::PROCESS_INFORMATION& Info() { return info_; }
    const win::PROCESS_INFORMATION& Info() const { return info_; }
    win::STARTUPINFOA& Startup() { return startup_; }
    win::HANDLE Process() const { return info_.hProcess; }

private:
    win::PROCESS_INFORMATION info_;
    win::STARTUPINFOA startup_;
};

}  // namespace kivassistant

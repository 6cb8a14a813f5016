#pragma once
// A child started through CreateProcessA for the process tests; one still
// running when the test ends is killed and waited for, its handles closed.
#include <string>

#include "platform/Process.h"
#include "platform/Wait.h"

namespace proctest {

constexpr win::DWORD kWaitMs = 10000;  // a bound on every wait, never a speed check

class Child {
public:
    Child() = default;
    ~Child() {
        if (info_.hProcess != nullptr) {
            win::TerminateProcess(info_.hProcess, 1);
            win::WaitForSingleObject(info_.hProcess, kWaitMs);
            win::CloseHandle(info_.hProcess);
        }
        if (info_.hThread != nullptr) win::CloseHandle(info_.hThread);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The result of CreateProcessA with the defaults the control uses.
    bool Start(const std::string& commandLine, const char* applicationName = nullptr) {
        std::string line = commandLine;
        win::STARTUPINFOA startup;
        startup.cb = win::kStartupInfoSize;
        return win::CreateProcessA(applicationName, line.data(), nullptr, nullptr, win::FALSE, 0,
                                   nullptr, nullptr, &startup, &info_) != win::FALSE;
    }
    const win::PROCESS_INFORMATION& Info() const { return info_; }
    win::HANDLE Process() const { return info_.hProcess; }
    // The exit code once the child has ended within the bound; STILL_ACTIVE otherwise.
    win::DWORD WaitExitCode() const {
        win::DWORD code = win::STILL_ACTIVE;
        if (win::WaitForSingleObject(info_.hProcess, kWaitMs) == win::WAIT_OBJECT_0) {
            win::GetExitCodeProcess(info_.hProcess, &code);
        }
        return code;
    }

private:
    win::PROCESS_INFORMATION info_;
};

}  // namespace proctest

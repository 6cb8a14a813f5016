#include "assistant/ChildProcess.h"

#include "platform/KernelTypes.h"

namespace kivassistant {

CChildProcess::CChildProcess() {
    startup_.cb = win::kStartupInfoSize;
}

CChildProcess::~CChildProcess() {
    if (info_.hThread != nullptr) win::CloseHandle(info_.hThread);
    if (info_.hProcess != nullptr) win::CloseHandle(info_.hProcess);
}

}  // namespace kivassistant

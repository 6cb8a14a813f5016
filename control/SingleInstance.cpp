#include "control/SingleInstance.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/LastError.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"
#include "transfer/ErrorCodes.h"

namespace kivcontrol {

using kivtransfer::ErrorState;

namespace {

// Ours alone; every version of the control must keep it, or two versions
// would run side by side.
constexpr const char* kInstanceGuid = "{3e8b5c71-9d24-4f0a-b6e3-71c2a94d08f5}";

constexpr unsigned kRetryCancelWarning = MB_RETRYCANCEL | MB_ICONEXCLAMATION;

}  // namespace

std::string SingleInstanceMutexName() {
    std::string name = kInstanceGuid;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

bool CSingleInstanceLock::CheckSingleInstance(const std::string& caption, IMessageBoxService& boxes,
                                              ErrorState& error) {
    const std::string name = SingleInstanceMutexName();
    for (;;) {
        auto mutex = std::make_unique<win::CNamedMutex>();
        if (!mutex->Create(name)) {
            error.Set(errcode::kMutexFailed, win::GetLastError());
            return false;
        }
        if (!mutex->AlreadyExisted()) {
            std::lock_guard<std::mutex> hold(guard_);
            mutex_ = std::move(mutex);
            return true;
        }
        // Closed before asking, so the other run's end is not held up by us.
        mutex.reset();
        const std::string text = res::FormatString(textid::kAlreadyRunning, {caption, caption});
        if (boxes.ShowStandardMessageBox(text, caption, kRetryCancelWarning) != IDRETRY) {
            error.Set(errcode::kCancelled);
            return false;
        }
    }
}

void CSingleInstanceLock::Close() {
    std::unique_ptr<win::CNamedMutex> closing;
    {
        std::lock_guard<std::mutex> hold(guard_);
        closing = std::move(mutex_);
    }
}

bool CSingleInstanceLock::IsHeld() const {
    std::lock_guard<std::mutex> hold(guard_);
    return mutex_ != nullptr;
}

std::function<bool(ErrorState&)> MakeSingleInstanceHook(CSingleInstanceLock& lock,
                                                        std::function<std::string()> caption,
                                                        IMessageBoxService& boxes) {
    return [&lock, caption = std::move(caption), &boxes](ErrorState& error) {
        return lock.CheckSingleInstance(caption ? caption() : std::string(), boxes, error);
    };
}

}  // namespace kivcontrol

#include "platform/ProcessSettings.h"

#include <atomic>

namespace win {

namespace {
// Set by the host before threads start; atomic so later readers on any
// thread see it without a lock.
std::atomic<bool> protectedLayout{false};
}  // namespace

void SetProtectedLayout(bool on) {
    protectedLayout.store(on);
}

bool IsProtectedLayout() {
    return protectedLayout.load();
}

}  // namespace win

#include "programs/assistant/ControlWatch.h"

#include <unistd.h>

#include "platform/CopyData.h"

CControlWatch::CControlWatch() : parent_(::getppid()) {}

bool CControlWatch::ControlGone() const {
    if (::getppid() != parent_) return true;
    const std::uint32_t window = replyWindow_;
    return window != 0 && !win::IsCopyDataWindowListening(window);
}

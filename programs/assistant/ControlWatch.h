#pragma once
// Whether the control that started us is still there: our parent process is
// the control's host, and once the greeting named the reply window, that
// window's copy-data receiver must still be listening. Nothing is sent to
// find out, since every record the reply window gets counts as a reply.
#include <sys/types.h>

#include <atomic>
#include <cstdint>

class CControlWatch {
public:
    CControlWatch();

    void SetReplyWindow(std::uint32_t window) { replyWindow_ = window; }
    // 0 before the greeting.
    std::uint32_t ReplyWindow() const { return replyWindow_; }
    // The process that started us: the control's.
    pid_t Parent() const { return parent_; }

    // True once the parent changed or the known reply window stopped listening.
    bool ControlGone() const;

private:
    pid_t parent_;
    std::atomic<std::uint32_t> replyWindow_{0};
};

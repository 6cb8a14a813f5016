#pragma once
// Internal to the platform layer: the parts of message handling shared by
// waits, message loops and the dispatcher pump. All under KernelMutex().
#include <optional>

#include "platform/KernelCore.h"
#include "platform/ThreadRecord.h"

namespace win::detail {

// Hands the oldest send waiting for `self` to its window procedure, with the
// lock released meanwhile. False when none was waiting.
bool ServeOneSend(KernelLock& lock, ThreadRecord& self);
// Ends a send: the sender (if one waits) is woken with the outcome.
void CompleteSend(SentMessage& sent, SentMessage::State state, LRESULT result);

// Whether input of the kinds in `wakeMask` (QS_ flags) is waiting.
bool HasInput(const ThreadRecord& self, DWORD wakeMask);
std::optional<Clock::time_point> NextTimerDue(const ThreadRecord& self);
// The next posted message, then the quit request, then a due timer, as
// Windows orders them. False when there is none.
bool TakeInput(ThreadRecord& self, MSG& msg, bool remove);

}  // namespace win::detail

#pragma once
// Internal to the platform layer: the other processes' side of one named
// event, through its FIFO (see FifoEvents.h for what each kind does).
#include <functional>
#include <memory>

#include "platform/NamedEventBackend.h"
#include "platform/NamedFifo.h"

namespace win::detail {

// `othersHold`: another process had the event already. Null with the last
// error set when the watcher thread cannot be started.
std::unique_ptr<ISharedEvent> MakeFifoEventLink(NamedFifo fifo, bool manualReset, bool othersHold,
                                                std::function<void(bool)> remoteChanged);

}  // namespace win::detail

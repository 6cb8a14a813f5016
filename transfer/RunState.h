#pragma once
// The run's state that the engine reads and writes: the error, the items, the
// rate meter and the byte counts. The control owns it; the worker thread
// writes it and the window thread reads it after the worker's posts.
#include "transfer/ContentData.h"
#include "transfer/ErrorState.h"
#include "transfer/RateMeter.h"
#include "transfer/RunCounters.h"

namespace kivtransfer {

class IRunState {
public:
    virtual ~IRunState() = default;
    virtual ErrorState& Error() = 0;
    virtual ContentList& Items() = 0;
    // The cancel check restarts it after a pause.
    virtual CRateMeter& Meter() = 0;
    virtual CRunCounters& Counters() = 0;
};

}  // namespace kivtransfer

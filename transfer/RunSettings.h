#pragma once
// What the page and the user settled before the transfer: the folder,
// whether existing files may be resumed, the layout (which decides where
// files and their records go), the page's texts and the time-outs. Read on
// the worker thread; fixed while it runs.
#include <string>

#include "transfer/TransferTimings.h"

namespace kivtransfer {

class IRunSettings {
public:
    virtual ~IRunSettings() = default;
    virtual bool ResumeAllowed() const = 0;
    virtual const std::string& DestinationFolder() const = 0;  // Windows form
    // Whether the protected layout is in use: the assistant program places the files.
    virtual bool HasAssistant() const = 0;
    // A page parameter accepted at load ("playbutton", "supporturl"); empty when absent.
    virtual std::string LookupText(const std::string& name) const = 0;
    virtual const TransferTimings& Timings() const = 0;
};

}  // namespace kivtransfer

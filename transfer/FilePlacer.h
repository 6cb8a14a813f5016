#pragma once
// How finalisation asks the assistant program to put a finished file in its
// final place. The assistant client implements it; tests fake it.
#include <string>

namespace kivtransfer {

class IFilePlacer {
public:
    virtual ~IFilePlacer() = default;
    // Sends the request to move `source` to `destination`; false (with the
    // thread's last error set) when it could not be sent.
    virtual bool SendPlaceFile(const std::string& source, const std::string& destination) = 0;
    // Waits for the answer to the request: true when the file was placed,
    // false when the assistant refused or the run was cancelled.
    virtual bool WaitForReply() = 0;
    // After a placed file: the name an entry in its way was kept aside
    // under in the destination folder; empty when there was none.
    virtual std::string KeptAside() { return {}; }
};

}  // namespace kivtransfer

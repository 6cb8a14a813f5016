#pragma once
// One entry of the version file: where a download is written, what the
// server said when it began and a few flag bits.
#include <string>

#include "platform/WinTypes.h"

namespace kivtransfer {

struct tagComposition {
    std::string path;        // the local file the download writes to
    std::string storedText;  // the Last-Modified text seen at the start, or "FILEBROKEN"
    win::LONG number = 0;    // flag bits; the program writes 0

    bool operator==(const tagComposition&) const = default;
};

}  // namespace kivtransfer

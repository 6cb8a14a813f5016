#pragma once
// What preparation makes of a file already at an item's local path.
#include <cstdint>
#include <string>

namespace kivtransfer {

enum class LocalFileVerdict {
    Complete,  // nothing to transfer
    Resume,    // continue the partial file
    Discard,   // the transfer deletes it and starts over
};

// `localSize` S of the file on disk, `itemSize` E announced by the server,
// `recorded` whether the version file has an entry for the item and
// `storedText` its Last-Modified text (compared exactly).
LocalFileVerdict JudgeLocalFile(std::uint64_t localSize, std::uint64_t itemSize, bool recorded,
                                const std::string& storedText, const std::string& lastModified);

}  // namespace kivtransfer

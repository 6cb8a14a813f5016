#pragma once
// The local file a transfer writes: opened once per attempt, hidden while
// incomplete, written only at its end. A failed call gives the file error
// (100) with the system's number; the caller knows the item.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"
#include "transfer/TransferResult.h"

namespace kivtransfer {

class CPartialFile {
public:
    // Creates `path` (Windows form) anew, or opens it to continue when
    // `keepContents`; others are kept from writing it; marks it hidden.
    // Returns its length, where writing continues. A fresh file fails when
    // anything has its name by then (the caller removed the old one), a kept
    // one unless it is a plain file of this user with one name: nothing is
    // ever written through a link planted in its place.
    TransferOutcome<std::uint64_t> Open(const std::string& path, bool keepContents);
    // Empties the file; writing starts again at byte 0.
    TransferResult Restart();
    TransferResult Append(const char* data, std::size_t count);
    void Close() { file_.Close(); }
    // The open file, for reading back what was written and for its stamp.
    win::CFile& File() { return file_; }

private:
    win::CFile file_;
};

}  // namespace kivtransfer

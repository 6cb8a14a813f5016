#pragma once
// The local file a transfer writes: opened once per attempt, hidden while
// incomplete, written only at its end. Failures throw CFileException.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"

class CPartialFile {
public:
    // Opens or creates `path` (Windows form), emptied unless `keepContents`,
    // others kept from writing it; marks it hidden. Returns its length, where
    // writing continues.
    std::uint64_t Open(const std::string& path, bool keepContents);
    // Empties the file; writing starts again at byte 0.
    void Restart();
    void Append(const char* data, std::size_t count);
    void Close() { file_.Close(); }

private:
    win::CFile file_;
};

#pragma once
// What tells one state of a file from another without reading it: which
// file it is (device and inode), its length, its modification time to the
// nanosecond and the time its inode last changed, which only the clock sets
// (a tool that puts the modification time back after a write still moves
// it).
#include <cstdint>
#include <string_view>

#include "platform/File.h"

namespace win {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` (Windows form), which must be a plain file
// of this user with one name, as files opened with CFile::modeNoFollow; a
// link is not followed. False with the last error set (ERROR_ACCESS_DENIED
// for anything else).
bool GetFileStamp(std::string_view path, FileStamp& stamp);
// The stamp of an open file.
bool GetFileStamp(const CFile& file, FileStamp& stamp);

// Gives the open file a modification time of the current moment to the
// microsecond and returns its stamp. A write's own time stamps come from the
// kernel's clock tick (or finer), so whoever writes the file later, even
// within the same tick, leaves a stamp that differs. False when the volume
// does not keep the time exactly (coarser time stamps): its stamps cannot
// tell a later write apart.
bool SealFileStamp(CFile& file, FileStamp& stamp);

}  // namespace win

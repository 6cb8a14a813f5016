#pragma once
// An open file in the manner of the framework's CFile: creation and sharing
// modes as flags.
//
// Sharing follows Windows, advisory between users of this class: an open
// fails with ERROR_SHARING_VIOLATION when its access (read, write) is denied
// by a file already open, or its denial covers an access already granted.
// So a writer asking for shareDenyWrite fails while any other writer has the
// file open, and then keeps every other writer out; readers asking for
// shareDenyNone succeed unless someone opened it shareExclusive. Without a
// share flag the open is exclusive, as the framework maps its compatibility
// mode. The marks are record locks owned by the open file (ShareLocks.h):
// two opens in one process exclude each other too, and the marks vanish
// with the file's close or its process.
//
// A file modeCreate makes is the user's alone (0600, whatever the umask).
//
// Also as on Windows: a folder cannot be opened, nor a read-only file for
// writing (ERROR_ACCESS_DENIED, even for root). modeCreate truncates only
// after the sharing check passed. Descriptors are close-on-exec.
//
// Files that a folder shared with others may hold (downloads, work and
// temporary files) are opened with modeNoFollow: a link in the file's place
// is never followed, and what is opened must be a plain file of this user
// with no other name (not a hard link to someone's file, a FIFO or a
// device); anything else is ERROR_ACCESS_DENIED. modeCreateNew creates the
// file and fails with ERROR_FILE_EXISTS when any entry has the name, so a
// link planted after a delete makes the open fail instead of being written
// through.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace win {

class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyNone = 0x0040,
        shareDenyWrite = 0x0020,
        shareExclusive = 0x0010,
        modeNoTruncate = 0x10000,
        modeCreate = 0x1000,
        modeCreateNew = 0x20000,
        modeNoFollow = 0x40000,
        // With modeNoFollow, for a file only read: other names of it are
        // allowed, as nothing is written through them.
        modeOtherNames = 0x80000,
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    CFile(CFile&& other) noexcept;
    CFile& operator=(CFile&& other) noexcept;

    // false with the thread's last error set; never throws.
    bool Open(std::string_view path, unsigned flags);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Reads up to `count` bytes; returns the count read (0 at end), -1 on error.
    long long Read(void* buffer, std::size_t count);
    // As Read, at `offset` and without moving the file position: another
    // thread may read what this one has written while it writes on.
    long long ReadAt(void* buffer, std::size_t count, std::uint64_t offset) const;
    // Writes all bytes; false on error (ERROR_DISK_FULL for ENOSPC).
    bool Write(const void* buffer, std::size_t count);
    bool SeekToEnd(std::uint64_t* newPosition = nullptr);
    bool Seek(std::uint64_t position);
    bool SetLength(std::uint64_t length);
    bool GetLength(std::uint64_t& length) const;
    bool Flush();  // fsync
    int NativeHandle() const { return fd_; }

private:
    int fd_ = -1;
    bool readable_ = false;  // writers open read-write for the sharing marks
};

// Reads a whole file's bytes; false with the last error set.
bool ReadWholeFile(std::string_view path, std::string& bytes);
// Replaces a file's bytes atomically: a temporary file in the same folder is
// written and renamed over the target, so a process that dies leaves the old
// or the new content, never a mix. `durable` also waits until the content and
// the rename are on the disk (the file and its folder synced), so that a power
// cut cannot bring the old content back; that wait also lasts until data that
// other files wrote before reaches the disk. Attributes of the old file are
// not kept; the new file is the user's alone (0600, whatever the umask).
bool ReplaceFileAtomically(std::string_view path, std::string_view bytes, bool durable = true);

}  // namespace win

#pragma once
// SHA-256 of a local file, as the verification phase compares it with the
// page's hash: 64 upper-case hexadecimal digits without separators.
#include <cstdint>
#include <string>
#include <string_view>

namespace kivtransfer {

// Called after every piece read: the file's size, the bytes of this piece,
// the bytes done so far and the caller's context. Non-zero goes on; 0 stops
// the digest, which then fails.
using DigestProgress = int (*)(std::uint64_t fileSize, std::uint64_t chunkBytes,
                               std::uint64_t bytesDone, void* context);

// The file is read in 64 KiB pieces with sharing deny-none, up to the size
// it had when it was opened; it must be a plain file of this user with one
// name unless `otherNames` (ERROR_ACCESS_DENIED otherwise, a link is not followed). False with the thread's last error
// set when the file cannot be read, shrinks meanwhile (ERROR_HANDLE_EOF), the callback stops it
// (ERROR_CANCELLED) or the hash library fails; `digest` is then unchanged. An empty file gives the
// digest of the empty message.
bool FileDigest(std::string_view localPath, std::string& digest, DigestProgress progress = nullptr,
                void* context = nullptr, bool otherNames = false);

}  // namespace kivtransfer

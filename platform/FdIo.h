#pragma once
// Descriptor loops shared by the file calls.
#include <cstddef>

namespace win {

// Writes every byte, continuing after partial writes and interruptions.
// Returns 0 or the errno value of the failing write.
int WriteAll(int fd, const void* data, std::size_t size);

// read(2) that retries when interrupted; the result as read(2) gives it.
long long ReadRetrying(int fd, void* buffer, std::size_t size);

// Syncs a folder so that a rename inside it survives a crash. Some file
// systems refuse fsync on folders; the caller has synced the data already,
// so that refusal is not an error.
void SyncFolder(const char* nativeFolder);

}  // namespace win

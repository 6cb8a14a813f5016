#pragma once
// The current user's store file: $XDG_CONFIG_HOME/kiv-downloader/user.reg,
// guarded by the lock file user.reg.lock beside it (flock; the store itself
// is replaced by rename, so it cannot carry the lock). A thread switched to
// the low-integrity store uses low.reg (below) the same way, and never the
// user's.
//
// A file that does not start with the header line is no store: reads see no
// keys in it, and the first change moves it aside to user.reg.bad (or
// user.reg.bad.N, never over an earlier one) before writing a new store, so
// nothing the user had there is lost. Lines that do not parse inside a store
// are kept by every rewrite (RegistryFile.h).
#include <functional>
#include <string>

#include "platform/RegistryHive.h"
#include "platform/WinTypes.h"

namespace win::registry {

bool GetStoreFilePath(std::string& nativePath);
// The low-integrity store, $XDG_STATE_HOME/kiv-downloader/low/low.reg, with its lock beside it.
bool GetLowStoreFilePath(std::string& nativePath);

// From now on the calling thread reads and writes the low-integrity store
// instead of the user's; other threads are not affected.
void UseLowStoreOnThisThread();
bool ThisThreadUsesLowStore();

// Runs `query` over the store under a shared lock and returns its result.
DWORD ReadStore(const std::function<DWORD(const CRegistryHive&)>& query);

// Re-reads the store under an exclusive lock, runs `change` on it and, when
// it succeeded and changed something, replaces the file atomically.
DWORD UpdateStore(const std::function<DWORD(CRegistryHive&)>& change);

}  // namespace win::registry

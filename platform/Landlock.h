#pragma once
// Confinement of one thread with Landlock: after ConfineThreadWrites the
// calling thread (and the threads it starts later) can create, write,
// truncate, rename and remove files only below the folders it names;
// reading stays as it was. Other threads of the process are not affected.
// Refused operations fail with EACCES (ERROR_ACCESS_DENIED, 5).
#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace win {

// The Landlock ABI version the running kernel offers; 0 when it offers none
// (too old, or switched off at boot).
int LandlockAbiVersion();

// Whether the kernel's Landlock can scope abstract Unix sockets and signals
// to the confined domain (ABI 6 and later).
bool LandlockScopes(int abi);

struct LandlockExtras {
    // Files already below these folders may be opened for writing (lock
    // files, FIFOs); nothing may be created, renamed, linked or removed there.
    std::vector<std::string> openForWritingOnly;
    // Where the kernel offers it: no connecting to abstract Unix sockets made
    // outside the domain, no signals to processes outside it.
    bool scopeAbstractSockets = false;
    bool scopeSignals = false;
};

// The ruleset ConfineThreadWrites applies, for a caller that applies it
// itself (a child between fork and exec): a close-on-exec descriptor, or -1
// with the last error as below.
int CreateWriteRuleset(const std::vector<std::string>& writableFolders,
                       const LandlockExtras& extras = {});

// `writableFolders` are native paths; missing ones are skipped. FALSE with
// the last error: ERROR_NOT_SUPPORTED when the kernel has no Landlock (the
// thread is then unconfined), else what the system gave.
BOOL ConfineThreadWrites(const std::vector<std::string>& writableFolders,
                         const LandlockExtras& extras = {});

}  // namespace win

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

// `writableFolders` are native paths; missing ones are skipped. FALSE with
// the last error: ERROR_NOT_SUPPORTED when the kernel has no Landlock (the
// thread is then unconfined), else what the system gave.
BOOL ConfineThreadWrites(const std::vector<std::string>& writableFolders);

}  // namespace win

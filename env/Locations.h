#pragma once
// The folders the downloader writes its own files to, and small queries
// about the environment: the platform test, writability, free space and
// system error texts. Folder texts are Windows-form without a trailing
// backslash.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/WinTypes.h"

namespace env {

// True when the protected (low-integrity) layout is in force. Computed on the
// first call and kept for the life of the process.
bool IsNt6OrLater();
// Forgets the kept answer so that the next call asks the platform again.
void ResetPlatformTestForTests();

// The low-integrity temporary folder: Local AppData + "\Temp\Low". On failure
// `folder` is left unchanged.
bool GetLowTempFolder(std::string& folder);
// The LocalLow folder exactly as the platform gives it. On failure `folder`
// is left unchanged.
bool GetLocalAppDataLowFolder(std::string& folder);
// The roaming application-data folder, the home of the version file on a
// platform without LocalLow. On failure `folder` is left unchanged.
bool GetRoamingAppDataFolder(std::string& folder);

// True when a new file can be created in `folder`; the probe file is deleted.
bool IsWritableFolder(std::string_view folder);

// The folder a first download is offered: the XDG download folder, else
// ~/Downloads, whichever is a writable folder, else the home folder. Never a
// folder that is not there (the Desktop often is not). On failure `folder` is
// left unchanged.
bool GetFirstDownloadFolder(std::string& folder);

// True when the user may use at least `requiredBytes` on the folder's
// volume. A failed query counts as no space at all.
bool HasFreeSpace(std::string_view folder, std::uint64_t requiredBytes);

// The system's text for an error code, with its trailing line break; empty
// for a code without a text.
std::string GetSystemErrorText(win::DWORD code);

}  // namespace env

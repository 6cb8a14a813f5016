#pragma once
// Where the running program's companion files lie: the control module, the
// assistant program and the window front end's library.
#include <string>

namespace env {

// Their folder in an installed tree, relative to the install prefix.
inline constexpr const char* kInstalledFilesFolder = "lib/kiv-downloader";

// `fileName` next to the running program (a build tree) or, when it is not
// there, in the install prefix's lib/kiv-downloader/ (the program being in
// PREFIX/bin/); empty when the program's own path cannot be read.
std::string InstalledFilePath(const std::string& fileName);

}  // namespace env

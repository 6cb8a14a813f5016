#pragma once
// Putting one finished file at its destination: a rename where both lie on
// one file system, otherwise a copy that is flushed to disk before the
// source goes. Nothing at the destination is ever replaced: a file there
// with the very same bytes stays (the source goes), anything else is kept
// aside under the first free "NAME (n).EXT" first. The placed file is made
// visible (the hidden attribute cleared) and gets the mode of a new file of
// the user's. The source must be a plain file of this user with no other
// name, opened without following a link (ERROR_ACCESS_DENIED otherwise,
// nothing moved).
#include <string>

#include "platform/WinTypes.h"

// `source` a native path; the destination is the entry `name` in the folder
// held open as `folder`, reached only through that descriptor. 0 once the
// file is there, else a Windows error code; on failure the source is left
// where it was. `keptAside` receives the name (in that folder) an entry in
// the way was moved to, or is left empty.
win::DWORD PlaceFile(const std::string& source, int folder, const std::string& name,
                     std::string& keptAside);

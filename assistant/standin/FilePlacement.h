#pragma once
// Putting one finished file at its destination: a rename where both lie on
// one file system, otherwise a copy that is flushed to disk before the
// source goes. An existing destination is replaced; the placed file is made
// visible (the hidden attribute cleared). The source must be a plain file
// of this user with no other name, opened without following a link
// (ERROR_ACCESS_DENIED otherwise, nothing moved).
#include <string>

#include "platform/WinTypes.h"

// Native paths. 0 once the file is at `destination`, else a Windows error
// code; on failure the source is left where it was.
win::DWORD PlaceFile(const std::string& source, const std::string& destination);

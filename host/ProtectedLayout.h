#pragma once
// --protected: the control runs as in a browser's protected mode. Its
// assistant program chooses the destination and places the finished files;
// the download worker may write only to its work folders.
#include <ostream>
#include <string>

#include "host/HostOptions.h"

// Switches the process to the protected layout before anything asks which
// layout is in use, lets named events reach the assistant program, and hands
// the unattended answers (--destination, --existing) to the assistant
// through KIVDL_DESTINATION and KIVDL_EXISTING. Notes on `notes` when the
// kernel cannot confine the worker. False with `error`.
bool EnterProtectedLayout(const HostOptions& options, std::ostream& notes, std::string& error);

#pragma once
// Whether a file can be created in a folder, found without leaving a name in
// it: a process killed in the middle of the probe must not leave a file in
// the user's folder.
#include <string_view>

namespace win {

// True when a file can be made in `folder` (Windows form). Where the file
// system cannot make a nameless file, a named one is made and removed.
bool CanCreateFileIn(std::string_view folder);

}  // namespace win

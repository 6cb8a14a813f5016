#pragma once
// Reading of the xdg-user-dirs file (user-dirs.dirs), kept apart from the
// known-folder lookup so its parsing can be checked on its own.
#include <optional>
#include <string>
#include <string_view>

namespace win {

// Native path assigned to `variable` (e.g. "XDG_DESKTOP_DIR") in the text of a
// user-dirs.dirs file. Values are "$HOME/..." or absolute, in double quotes
// with backslash escapes, as xdg-user-dirs writes them; any other form is
// ignored. The last valid assignment wins, as when the shell sources the file.
std::optional<std::string> FindUserDir(std::string_view fileText, std::string_view variable,
                                       std::string_view home);

}  // namespace win

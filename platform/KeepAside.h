#pragma once
// A file that has a download's name but is not the download's own (the
// user's, or anyone's without a record of ours) is never replaced: it is
// kept under the first free name "NAME (1).EXT", "NAME (2).EXT", ... in its
// folder. The move never takes another entry's place, even one that appears
// meanwhile: renameat2 with RENAME_NOREPLACE, or, where the file system
// lacks it, a second name made with link() and the first one removed.
// Native (UTF-8) paths.
#include <string>

namespace win {

// "NAME (n).EXT" for `name`: the number goes before the extension, unless
// its dot starts the name ("README (2)", ".profile (2)"); an archive's
// compressed extension stays whole ("a (2).tar.gz").
std::string NumberedName(const std::string& name, int number);

// Moves the entry at `path` (not following a link) to the first free
// numbered name beside it; `keptPath` receives where it now is. 0, or an
// errno with nothing moved: ETXTBSY for a file another open holds under the
// sharing rules (ERROR_SHARING_VIOLATION), as it may still be written.
int KeepAside(const std::string& path, std::string& keptPath);
// The same for `path` relative to the folder held open as `folder` (or
// AT_FDCWD): the folder's path is never resolved again, so a folder renamed
// and replaced by a link meanwhile cannot lead the move elsewhere. `keptPath`
// is then relative to `folder` too.
int KeepAsideAt(int folder, const std::string& path, std::string& keptPath);

// Renames `from` to `to` unless `to` exists (then errno EEXIST); 0 or errno.
int RenameWithoutReplacing(const std::string& from, const std::string& to);
// The same with each path relative to a folder descriptor (or AT_FDCWD).
int RenameWithoutReplacingAt(int fromFolder, const std::string& from, int toFolder,
                             const std::string& to);
// Renames `from` to `to`, replacing what was there; 0 or errno.
int RenameReplacing(const std::string& from, const std::string& to);

}  // namespace win

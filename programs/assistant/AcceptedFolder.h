#pragma once
// The download folder the user accepted for a run, held open from the
// moment it was accepted. Files are placed relative to this descriptor,
// never through the folder's path again: another user who can write the
// folder's parent can rename it and leave a link to a folder of their own
// in its place, and a path resolved again would follow it there.
#include <string>

#include "platform/UniqueFd.h"
#include "platform/WinTypes.h"

class CAcceptedFolder {
public:
    // Opens `nativeFolder` (its last component not through a link). Only a
    // folder of this user that no one else can rename entries in is taken:
    // not writable by others, or writable with the sticky bit. 0, or a
    // Windows code with `why` one line for the error output.
    win::DWORD Accept(const std::string& nativeFolder, std::string& why);
    void Forget();

    bool Held() const { return fd_.Get() >= 0; }
    int Fd() const { return fd_.Get(); }
    const std::string& Path() const { return path_; }

    // True while the accepted path still names the folder held: not moved,
    // removed or replaced by another entry since it was accepted.
    bool StillAtItsPath() const;

private:
    win::CUniqueFd fd_;
    std::string path_;  // native, normalised
};

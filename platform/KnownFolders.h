#pragma once
// The Windows known folders stand in as the XDG base folders; each is read
// from the environment at every call, so tests can point them elsewhere.
// All results are Windows-form paths without a trailing backslash.
#include <string>

namespace win {

enum class KnownFolder {
    LocalAppData,     // $XDG_CACHE_HOME, default ~/.cache
    LocalAppDataLow,  // $XDG_STATE_HOME, default ~/.local/state
    RoamingAppData,   // $XDG_CONFIG_HOME, default ~/.config
    Temp,             // $TMPDIR, default /tmp
    Desktop,          // XDG desktop folder (user-dirs.dirs), default ~/Desktop
    Downloads,        // XDG download folder (user-dirs.dirs), default ~/Downloads
    Home,             // $HOME, else the user database's home
    Runtime,          // $XDG_RUNTIME_DIR/kiv-downloader, else $TMPDIR (default /tmp)
                      // /kiv-downloader-UID (0700, created); when another user holds that
    // name, a mkdtemp folder noted in $XDG_STATE_HOME/kiv-downloader/runtime-folder
};

// Native (Linux) path of a known folder.
bool GetKnownFolderNativePath(KnownFolder folder, std::string& nativePath);
// Windows-form path of a known folder (through FromNativePath).
bool GetKnownFolderPath(KnownFolder folder, std::string& windowsPath);

}  // namespace win

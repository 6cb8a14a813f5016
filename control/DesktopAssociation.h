#pragma once
// Which program opens a file by default on a freedesktop system: the file's
// MIME type and its default application come from xdg-mime, the command from
// the desktop entry's Exec line, found under $XDG_DATA_HOME/applications and
// then each of $XDG_DATA_DIRS/applications.
#include <functional>
#include <string>
#include <vector>

namespace kivcontrol {

class IProgramAssociation {
public:
    virtual ~IProgramAssociation() = default;
    // The Exec line of the program associated with the native file path;
    // false when there is none.
    virtual bool FindProgram(const std::string& nativeFile, std::string& execLine) const = 0;
};

// Runs argv (no shell) and collects its standard output; false when the
// program could not be run, did not end in time or ended unsuccessfully.
using CommandRunner =
    std::function<bool(const std::vector<std::string>& argv, std::string& output)>;

class CDesktopAssociation : public IProgramAssociation {
public:
    CDesktopAssociation();  // runs the real xdg-mime
    explicit CDesktopAssociation(CommandRunner runner);
    bool FindProgram(const std::string& nativeFile, std::string& execLine) const override;

private:
    CommandRunner runner_;
};

// The Exec line of desktop entry `desktopId` ("vendor-app.desktop"), looked
// up in the XDG data folders as they are set now; false when no entry of that
// id exists or it has no Exec key in its [Desktop Entry] group.
bool FindDesktopEntryExec(const std::string& desktopId, std::string& execLine);

// The command of an Exec line for one file: its words unquoted by the desktop
// entry rules, %f %F %u %U replaced by the file (a file-list code by the file
// alone, inside a word or as one), %% by %, other field codes removed. A line
// without a file code gets the file as its last argument. False for an empty
// line or broken quoting.
bool ExpandExecLine(const std::string& execLine, const std::string& nativeFile,
                    std::vector<std::string>& argv);

}  // namespace kivcontrol

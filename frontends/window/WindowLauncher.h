#pragma once
// Starts programs for the control from a desktop session. Opening the
// destination folder in the file manager after a successful run can be
// turned off (--no-open, or no display to show it on); every other launch
// (a downloaded file, a web page) goes through.
#include <string>
#include <vector>

#include "control/ControlServices.h"

class CWindowLauncher : public kivcontrol::ILauncher {
public:
    // `programs` starts what is let through (CProcessLauncher).
    CWindowLauncher(kivcontrol::ILauncher& programs, bool openFolders)
        : programs_(programs), openFolders_(openFolders) {}

    // False, without starting anything, for a folder that is not to be opened.
    bool Launch(const std::vector<std::string>& argv) override;

private:
    kivcontrol::ILauncher& programs_;
    const bool openFolders_;
};

// The desktop's opener asked to show an existing folder.
bool IsFolderOpening(const std::vector<std::string>& argv);
// A display the file manager could show a window on (X11 or Wayland).
bool HasDesktopDisplay();

#pragma once
// What the control does after a successful run, and the two actions other
// windows may ask for: playing a downloaded file and opening the support
// page. Each runs on the control's window thread and reports nothing: a
// program that does not start is simply not there.
#include <string>

#include "control/ControlServices.h"
#include "control/DesktopAssociation.h"
#include "control/PageIntegration.h"

namespace kivcontrol {

// CTLM_RUNDONE: the completion box (string 245), the destination folder in
// the file manager, then CTLM_QUITBROWSER to the control's own window unless
// the page is already closing. Returns 1.
LRESULT OnRunCompleted(IPageContext& control);

// Opens a Windows-form folder in the file manager (xdg-open). Double quotes
// at both ends of the text are removed first. True when the program started.
bool OpenFolder(ILauncher& launcher, const std::string& folder);

// CTLM_PLAY: opens item `index` with its associated program, or through
// xdg-open when it has none. An index outside the list is ignored. Returns 0.
LRESULT PlayItem(IPageContext& control, WPARAM index);
LRESULT PlayItem(IPageContext& control, WPARAM index, const IProgramAssociation& association);

// CTLM_SUPPORTPAGE: opens the accepted "supporturl" in a new browser window;
// nothing happens without one. Returns 1 when a window was opened.
LRESULT OpenSupportPage(IPageContext& control);

}  // namespace kivcontrol

#pragma once
// The folder dialog of the window front end: --destination answers the
// first dialog without showing one; any later dialog (the control refused
// that folder, say) and every dialog without the option goes to the user.
#include <atomic>
#include <string>

#include "control/ControlServices.h"

class CWindowFolderBrowser : public kivcontrol::IFolderBrowser {
public:
    // `ask` shows the dialog (Qt's); `destination` is a native absolute path, or empty.
    CWindowFolderBrowser(kivcontrol::IFolderBrowser& ask, std::string destination)
        : ask_(ask), destination_(std::move(destination)) {}

    int Browse(win::HWND owner, const std::string& prompt, unsigned flags,
               const KIVTOOLCommon::CItemIDList& initialSelection,
               KIVTOOLCommon::CItemIDList& result) override;

private:
    kivcontrol::IFolderBrowser& ask_;
    const std::string destination_;
    std::atomic<bool> destinationUsed_{false};
};

#pragma once
// The folder dialog on the terminal: a path prompt with the initial folder as
// its default (Enter takes it). Paths are typed the native way; "~" is the
// home folder and a relative path starts at the working folder. The option
// --destination (or --yes: the initial folder) answers the first dialog; a
// dialog after that answer was refused goes to the user, or, when nobody can
// be asked, is cancelled so that an unattended run cannot loop; that run
// has then failed, and Refusal() says which folder and why. A folder typed at
// the prompt that does not exist is made once the user agrees.
#include <atomic>
#include <mutex>
#include <string>

#include "control/ControlServices.h"
#include "frontends/terminal/TerminalConsole.h"
#include "frontends/terminal/TerminalOptions.h"

namespace kivterm {

class CTerminalQuestionWindow;

class CTerminalFolderBrowser : public kivcontrol::IFolderBrowser {
public:
    CTerminalFolderBrowser(CTerminalConsole& console, const TerminalOptions& options)
        : console_(console), options_(options) {}

    int Browse(win::HWND owner, const std::string& prompt, unsigned flags,
               const KIVTOOLCommon::CItemIDList& initialSelection,
               KIVTOOLCommon::CItemIDList& result) override;

    // UTF-8: "cannot download into FOLDER: REASON" once a folder given on the
    // command line was refused with nobody to choose another; else empty.
    std::string Refusal() const;

private:
    enum class Offer { Taken, Again, Cancelled };
    // A typed folder that is not there is made once the user agrees.
    Offer OfferToCreate(const std::string& typed, CTerminalQuestionWindow& window);

    int AskUser(const std::string& prompt, const std::string& initialFolder,
                CTerminalQuestionWindow& window, KIVTOOLCommon::CItemIDList& result);
    int Answer(const std::string& prompt, const std::string& folder,
               KIVTOOLCommon::CItemIDList& result);

    CTerminalConsole& console_;
    const TerminalOptions options_;
    std::atomic<bool> optionUsed_{false};
    mutable std::mutex mutex_;
    std::string given_;    // native: the folder the command line answered with
    std::string refusal_;  // see Refusal()
};

// A typed folder as the control's item list: "~" expanded, made absolute
// against the working folder, "." and ".." resolved. False when it cannot
// be a folder path.
bool FolderFromTyped(const std::string& typed, KIVTOOLCommon::CItemIDList& folder);

}  // namespace kivterm

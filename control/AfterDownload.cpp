#include "control/AfterDownload.h"

#include "control/ErrorMessage.h"
#include "platform/Message.h"
#include "platform/NativePath.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace kivcontrol {

using kivtransfer::ContentList;

namespace {

constexpr const char* kOpener = "xdg-open";  // the desktop's "open" verb
// The Windows media player wants its play switch before the file; kept for
// associations that name it (under Wine, say).
constexpr const char* kMediaPlayer = "wmplayer.exe";

std::string WithoutOuterQuotes(const std::string& text) {
    const std::size_t first = text.find_first_not_of('"');
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of('"');
    return text.substr(first, last - first + 1);
}

bool Launch(IPageContext& control, const std::vector<std::string>& argv) {
    ILauncher* launcher = control.Services().launcher;
    return launcher != nullptr && launcher->Launch(argv);
}

// The command that opens `file` with its program: the media player gets its
// play switch, any other program its desktop entry's command, and a file
// without a usable program is handed to the desktop's opener.
std::vector<std::string> PlayCommand(const IProgramAssociation& association,
                                     const std::string& file) {
    std::string execLine;
    std::vector<std::string> argv;
    if (!association.FindProgram(file, execLine) || !ExpandExecLine(execLine, file, argv)) {
        return {kOpener, file};
    }
    if (argv.front().find(kMediaPlayer) != std::string::npos) {
        return {argv.front(), "/Play", file};
    }
    return argv;
}

}  // namespace

LRESULT OnRunCompleted(IPageContext& control) {
    IBrowserHost* browser = control.Services().browser;
    if (browser != nullptr) browser->BringToForeground();
    // Files of the user's that were moved out of the download's way are named.
    const std::string notes = KeptAsideNotes(control.Items());
    if (notes.empty()) {
        control.ShowMessageId(textid::kRunCompleted, MB_OK | MB_ICONINFORMATION);
    } else {
        control.ShowMessage(res::LoadString(textid::kRunCompleted) + notes,
                            MB_OK | MB_ICONINFORMATION);
    }
    if (ILauncher* launcher = control.Services().launcher) {
        OpenFolder(*launcher, control.DestinationFolder());
    }
    if (control.DialogCreated() && !control.PageClosing()) {
        win::PostMessage(control.ControlWindow(), CTLM_QUITBROWSER, 0, 0);
    }
    return 1;
}

bool OpenFolder(ILauncher& launcher, const std::string& folder) {
    std::string nativeFolder;
    if (!win::ToNativePath(WithoutOuterQuotes(folder), nativeFolder)) return false;
    return launcher.Launch({kOpener, nativeFolder});
}

LRESULT PlayItem(IPageContext& control, WPARAM index) {
    return PlayItem(control, index, CDesktopAssociation());
}

LRESULT PlayItem(IPageContext& control, WPARAM index, const IProgramAssociation& association) {
    const ContentList& items = control.Items();
    if (index >= items.size()) return 0;
    std::string file;
    if (!win::ToNativePath(items[index]->localPath, file)) return 0;
    Launch(control, PlayCommand(association, file));
    return 0;
}

LRESULT OpenSupportPage(IPageContext& control) {
    const std::string url = control.LookupText("supporturl");
    if (url.empty()) return 0;
    // The host's own browser first, where the page came from; the desktop's
    // default browser when the host cannot open a window.
    IBrowserHost* browser = control.Services().browser;
    if (browser != nullptr && browser->OpenBrowserWindow(url)) return 1;
    return Launch(control, {kOpener, url}) ? 1 : 0;
}

}  // namespace kivcontrol

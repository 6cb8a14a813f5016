#pragma once
// The window front end's library, kivwindowfrontend.so (frontends/window/):
// everything that needs Qt. kiv-downloader and the assistant program load it
// only when they show a window, so a terminal run, --help and a browser-less
// assistant map none of Qt, ICU, GL or glib.
//
// It is taken only from the program's own install folders (beside the
// program, else PREFIX/lib/kiv-downloader/ for a program in PREFIX/bin/),
// never from a path in a settings store. Like the control module it carries
// the engine it needs and binds to the loading program's copy (both export
// theirs), so there is one window manager and one set of kernel objects.
#include <memory>
#include <string>

#include "control/ExistingFiles.h"

class CBrowserChannel;
class IFrontEnd;
namespace kivcontrol {
class IFolderBrowser;
class IMessageBoxService;
}  // namespace kivcontrol

inline constexpr const char* kWindowFrontEndFileName = "kivwindowfrontend.so";

// The assistant program's questions in windows: the control's own Qt message
// boxes and folder dialog, the Qt application made at the first question.
class IWindowQuestions {
public:
    virtual ~IWindowQuestions() = default;
    // Answers the existing-files question with the given answer unless it is Ask.
    virtual kivcontrol::IMessageBoxService& Boxes() = 0;
    // Answers the first folder question with the given destination when there is one.
    virtual kivcontrol::IFolderBrowser& Folders() = 0;
    // Any thread: ends the open question as cancelled.
    virtual void Interrupt() = 0;
};

// What the library exports, under kWindowFrontEndEntry. `layout` tells a
// library of another build apart (its tables would not match ours).
struct WindowFrontEndApi {
    int layout;
    std::unique_ptr<IFrontEnd> (*makeWindowFrontEnd)();
    std::unique_ptr<IFrontEnd> (*makeBrowserFrontEnd)(CBrowserChannel& channel);
    std::unique_ptr<IWindowQuestions> (*makeWindowQuestions)(const std::string& destination,
                                                             kivcontrol::ExistingFiles existing);
};
inline constexpr int kWindowFrontEndLayout = 1;
inline constexpr const char* kWindowFrontEndEntry = "KivWindowFrontEnd";
using WindowFrontEndEntryFn = const WindowFrontEndApi*();

// Whether there is a display to show a window on: DISPLAY or WAYLAND_DISPLAY
// (as given) set and not empty.
bool HasWindowDisplay(const char* display, const char* waylandDisplay);

// The library next to this program (a build tree; the assistant program
// installed beside it too) or, when there is none, in the install prefix's
// lib/kiv-downloader/; empty when the program's own path cannot be read.
std::string DefaultWindowFrontEndPath();

// Loads the library from DefaultWindowFrontEndPath() once per process (it
// stays mapped); null with a one-line `error` when it cannot be.
const WindowFrontEndApi* WindowFrontEndLibrary(std::string& error);

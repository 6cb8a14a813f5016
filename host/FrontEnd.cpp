#include "host/FrontEnd.h"

#include "frontends/window/loader/WindowFrontEndLibrary.h"

FrontEndKind SelectFrontEnd(bool terminalRequested, const char* display,
                            const char* waylandDisplay) {
    return terminalRequested || !HasWindowDisplay(display, waylandDisplay) ? FrontEndKind::Terminal
                                                                           : FrontEndKind::Window;
}

std::unique_ptr<IFrontEnd> LoadWindowFrontEnd(std::ostream& err) {
    std::string error;
    const WindowFrontEndApi* api = WindowFrontEndLibrary(error);
    if (api == nullptr) {
        err << "kiv-downloader: " << error << " (--terminal runs without it)\n";
        return nullptr;
    }
    return api->makeWindowFrontEnd();
}

std::unique_ptr<IFrontEnd> LoadBrowserFrontEnd(CBrowserChannel& channel, std::ostream& err) {
    std::string error;
    const WindowFrontEndApi* api = WindowFrontEndLibrary(error);
    if (api == nullptr) {
        err << "kiv-downloader: " << error << "\n";
        return nullptr;
    }
    return api->makeBrowserFrontEnd(channel);
}

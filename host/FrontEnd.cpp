#include "host/FrontEnd.h"

FrontEndKind SelectFrontEnd(bool terminalRequested, const char* display,
                            const char* waylandDisplay) {
    const bool hasDisplay = (display != nullptr && *display != '\0') ||
                            (waylandDisplay != nullptr && *waylandDisplay != '\0');
    return terminalRequested || !hasDisplay ? FrontEndKind::Terminal : FrontEndKind::Window;
}

#include "control/module/KivDownloadControllerApp.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

CKivDownloadControllerApp& CKivDownloadControllerApp::Instance() {
    static CKivDownloadControllerApp app;
    return app;
}

std::string CKivDownloadControllerApp::ModulePath() {
    // The file this function was loaded from: the module, or the program
    // when the code is linked into one.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&CKivDownloadControllerApp::ModulePath), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved) == nullptr) return {};
    return resolved;
}

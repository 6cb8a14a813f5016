#include "frontends/window/loader/WindowFrontEndLibrary.h"

#include <dlfcn.h>

#include "env/InstalledFiles.h"

namespace {

struct LoadResult {
    const WindowFrontEndApi* api = nullptr;
    std::string error;
};

LoadResult LoadOnce() {
    LoadResult result;
    const std::string path = DefaultWindowFrontEndPath();
    if (path.empty() || path.front() != '/') {
        result.error = "cannot find the window front end: this program's path is unknown";
        return result;
    }
    // Stays mapped: Qt's threads and the windows' code outlive any owner here.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) {
        const char* cause = dlerror();
        result.error = "cannot load the window front end: " + std::string(cause ? cause : path);
        return result;
    }
    auto* entry = reinterpret_cast<WindowFrontEndEntryFn*>(dlsym(handle, kWindowFrontEndEntry));
    const WindowFrontEndApi* api = entry != nullptr ? entry() : nullptr;
    if (api == nullptr || api->layout != kWindowFrontEndLayout) {
        result.error = "'" + path + "' is not this program's window front end";
        return result;
    }
    result.api = api;
    return result;
}

}  // namespace

bool HasWindowDisplay(const char* display, const char* waylandDisplay) {
    return (display != nullptr && *display != '\0') ||
           (waylandDisplay != nullptr && *waylandDisplay != '\0');
}

std::string DefaultWindowFrontEndPath() {
    return env::InstalledFilePath(kWindowFrontEndFileName);
}

const WindowFrontEndApi* WindowFrontEndLibrary(std::string& error) {
    static const LoadResult loaded = LoadOnce();
    error = loaded.error;
    return loaded.api;
}

#include "control/module/AssistantProgramPath.h"

#include "control/module/KivDownloadControllerApp.h"

std::string AssistantProgramNextToModule() {
    std::string path = CKivDownloadControllerApp::ModulePath();
    const std::string::size_type slash = path.find_last_of('/');
    const std::string::size_type dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    return path;
}

#include "host/RegistrationTool.h"

#include <cstdio>
#include <filesystem>

#include "host/ControlModule.h"

namespace {

bool RunEntryPoint(const std::string& module, bool registering, std::string& error) {
    if (module.empty()) {
        error = "no control module given, and the program's own folder is unknown";
        return false;
    }
    std::error_code ignored;
    const std::string path = std::filesystem::absolute(module, ignored).lexically_normal().string();
    const std::unique_ptr<CControlModule> loaded = CControlModule::Load(path, error);
    if (!loaded) return false;
    const com::HRESULT result = registering ? loaded->RegisterServer() : loaded->UnregisterServer();
    if (com::SUCCEEDED(result)) return true;
    error = std::string(registering ? "DllRegisterServer" : "DllUnregisterServer") + " in " + path +
            " failed: " + DescribeRegistrationResult(result);
    return false;
}

}  // namespace

bool RegisterModule(const std::string& module, std::string& error) {
    return RunEntryPoint(module, true, error);
}

bool UnregisterModule(const std::string& module, std::string& error) {
    return RunEntryPoint(module, false, error);
}

std::string DescribeRegistrationResult(com::HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
    const char* meaning = result == com::SELFREG_E_TYPELIB
                              ? " (the type library registration failed)"
                          : result == com::SELFREG_E_CLASS ? " (the class registration failed)"
                                                           : "";
    return code + std::string(meaning);
}

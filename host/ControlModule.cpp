#include "host/ControlModule.h"

#include <dlfcn.h>

#include "host/HostText.h"

namespace {

template <class Function>
bool LookUp(void* handle, const char* name, Function*& function, std::string& error) {
    function = reinterpret_cast<Function*>(dlsym(handle, name));
    if (function == nullptr) error = std::string("it exports no ") + name;
    return function != nullptr;
}

}  // namespace

std::unique_ptr<CControlModule> CControlModule::Load(const std::string& path, std::string& error) {
    if (path.empty() || path.front() != '/') {
        // dlopen would search the library path for a bare name.
        error = HostText(textid::kModulePathNotAbsolute, {path});
        return nullptr;
    }
    std::unique_ptr<CControlModule> module(new CControlModule());
    module->path_ = path;
    module->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (module->handle_ == nullptr) {
        const char* cause = dlerror();
        error = HostText(textid::kCannotLoadModule, {cause ? std::string(cause) : path});
        return nullptr;
    }
    std::string missing;
    if (!LookUp(module->handle_, "DllRegisterServer", module->registerServer_, missing) ||
        !LookUp(module->handle_, "DllUnregisterServer", module->unregisterServer_, missing) ||
        !LookUp(module->handle_, "DllGetClassObject", module->getClassObject_, missing) ||
        !LookUp(module->handle_, "DllCanUnloadNow", module->canUnloadNow_, missing)) {
        error = HostText(textid::kNoControlModule, {path, missing});
        return nullptr;
    }
    return module;
}

CControlModule::~CControlModule() {
    if (handle_ != nullptr) dlclose(handle_);
}

com::HRESULT CControlModule::CreateControl(com::ComPtr<com::IKivDownloadControl>& control) const {
    com::ComPtr<com::IClassFactory> factory;
    com::HRESULT result = GetClassObject(com::CLSID_KivDownloadController, com::IID_IClassFactory,
                                         factory.ReceiveVoid());
    if (com::FAILED(result)) return result;
    return factory->CreateInstance(nullptr, com::IID_IKivDownloadControl, control.ReceiveVoid());
}

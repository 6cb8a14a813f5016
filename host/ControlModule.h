#pragma once
// The control's module file, loaded with dlopen, and its four entry points.
// The module stays mapped for the rest of the process (RTLD_NODELETE): a
// control's worker may still be leaving the module's code after the control
// was released.
#include <memory>
#include <string>

#include "control/module/ComPtr.h"
#include "control/module/KivDownloadControlApi.h"

class CControlModule {
public:
    // Loads `path` (native, absolute) and looks up its entry points; null with
    // `error` (one line) when that fails.
    static std::unique_ptr<CControlModule> Load(const std::string& path, std::string& error);
    ~CControlModule();
    CControlModule(const CControlModule&) = delete;
    CControlModule& operator=(const CControlModule&) = delete;

    const std::string& Path() const { return path_; }

    com::HRESULT RegisterServer() const { return registerServer_(); }
    com::HRESULT UnregisterServer() const { return unregisterServer_(); }
    com::HRESULT CanUnloadNow() const { return canUnloadNow_(); }
    com::HRESULT GetClassObject(const win::GUID& clsid, const win::GUID& iid, void** object) const {
        return getClassObject_(&clsid, &iid, object);
    }

    // A new control object from the control's class factory.
    com::HRESULT CreateControl(com::ComPtr<com::IKivDownloadControl>& control) const;

private:
    CControlModule() = default;

    std::string path_;
    void* handle_ = nullptr;
    DllRegisterServerFn* registerServer_ = nullptr;
    DllUnregisterServerFn* unregisterServer_ = nullptr;
    DllGetClassObjectFn* getClassObject_ = nullptr;
    DllCanUnloadNowFn* canUnloadNow_ = nullptr;
};

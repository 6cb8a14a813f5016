// The module's exported entry points, as a registration tool and a host call them.
#include <new>
#include <type_traits>

#include "control/module/KivDownloadControlApi.h"
#include "control/module/KivDownloadControllerApp.h"
#include "control/module/KivDownloadControllerCtrlFactory.h"
#include "control/module/KivDownloadControllerPropPage.h"
#include "control/module/ModuleRegistration.h"

#define KIV_EXPORT extern "C" __attribute__((visibility("default")))

using namespace com;

namespace {

// A new factory of the class `clsid`, with the caller's reference; null for
// a class this module does not serve (or when memory ran out: `outOfMemory`).
IClassFactory* NewFactory(const win::GUID& clsid, bool& outOfMemory) {
    IClassFactory* factory = nullptr;
    if (clsid == CLSID_KivDownloadController) {
        factory = new (std::nothrow) CKivDownloadControllerCtrlFactory();
    } else if (clsid == CLSID_KivDownloadControllerPropPage) {
        factory = new (std::nothrow)
            CKivDownloadControllerPropPage::CKivDownloadControllerPropPageFactory();
    } else {
        return nullptr;
    }
    outOfMemory = factory == nullptr;
    return factory;
}

}  // namespace

KIV_EXPORT HRESULT DllRegisterServer() {
    const std::string modulePath = CKivDownloadControllerApp::ModulePath();
    if (!RegisterTypeLibrary(modulePath)) return SELFREG_E_TYPELIB;
    if (!RegisterClasses(modulePath)) return SELFREG_E_CLASS;
    return S_OK;
}

KIV_EXPORT HRESULT DllUnregisterServer() {
    if (!UnregisterTypeLibrary()) return SELFREG_E_TYPELIB;
    if (!UnregisterClasses()) return SELFREG_E_CLASS;
    return S_OK;
}

KIV_EXPORT HRESULT DllGetClassObject(const win::GUID* clsid, const win::GUID* iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid == nullptr || iid == nullptr) return E_INVALIDARG;
    bool outOfMemory = false;
    IClassFactory* factory = NewFactory(*clsid, outOfMemory);
    if (factory == nullptr) return outOfMemory ? E_OUTOFMEMORY : CLASS_E_CLASSNOTAVAILABLE;
    const HRESULT result = factory->QueryInterface(*iid, object);
    factory->Release();
    return result;
}

KIV_EXPORT HRESULT DllCanUnloadNow() {
    return CKivDownloadControllerApp::Instance().CanUnload() ? S_OK : S_FALSE;
}

// Hosts call these through the types of KivDownloadControlApi.h.
static_assert(std::is_same_v<decltype(DllRegisterServer), DllRegisterServerFn>);
static_assert(std::is_same_v<decltype(DllUnregisterServer), DllUnregisterServerFn>);
static_assert(std::is_same_v<decltype(DllGetClassObject), DllGetClassObjectFn>);
static_assert(std::is_same_v<decltype(DllCanUnloadNow), DllCanUnloadNowFn>);

#pragma once
// What a host sees of the control module: the exported entry points, the
// class ids, and the interfaces of the two classes it serves. The module is
// found through its registration (CLSID\{control}\InprocServer32 under
// HKEY_CURRENT_USER\Software\Classes) and loaded with dlopen.
//
// The module and its host must be built from the same tree: the interfaces
// pass C++ types (strings, std::function, the control's services). The host
// exports its symbols (-rdynamic) so that the module's window layer is the
// host's: windows made by the control are then dispatched by the host's
// message loop.
#include <cstdint>
#include <functional>
#include <string>

#include "control/ControlIds.h"
#include "control/ControlServices.h"
#include "control/PropertyBag.h"
#include "control/module/ComGuid.h"
#include "control/module/ComTypes.h"
#include "platform/WindowTypes.h"

namespace com {

inline constexpr win::GUID CLSID_KivDownloadController = GuidFromRegistryText(kControlClassId);
inline constexpr win::GUID CLSID_KivDownloadControllerPropPage =
    GuidFromRegistryText(kPropertyPageClassId);
inline constexpr win::GUID LIBID_KivDownloadControllerLib = GuidFromRegistryText(kTypeLibraryId);
inline constexpr win::GUID DIID_DKivDownloadController = GuidFromRegistryText(kDispatchInterfaceId);
inline constexpr win::GUID DIID_DKivDownloadControllerEvents =
    GuidFromRegistryText(kEventInterfaceId);
inline constexpr win::GUID IID_IKivDownloadControl = GuidFromRegistryText(kHostControlInterfaceId);
// {B196B28D-BAB4-101A-B69C-00AA00341D07}
inline constexpr win::GUID IID_IPropertyPage =
    GuidFromRegistryText("{B196B28D-BAB4-101A-B69C-00AA00341D07}");

// The control as its host drives it, on the host's window thread, in this
// order: Initialize, LoadProperties, CreateControlWindow, then (messages),
// then Close or the last Release.
class IKivDownloadControl : public IUnknown {
public:
    // Creates the control with the host's services; they must stay valid
    // until the `released` callback of Close has run. E_UNEXPECTED when
    // called twice.
    virtual HRESULT Initialize(const kivcontrol::ControlServices& services) = 0;
    // The page's parameters, read once: S_OK, or S_FALSE when one was
    // refused (the control reports it when its window is created).
    virtual HRESULT LoadProperties(const kivcontrol::IPropertyBag& bag) = 0;
    // The control's window, a visible child of `parent` (null: a top-level
    // window); the run starts from here. E_FAIL when no window could be made.
    virtual HRESULT CreateControlWindow(win::HWND parent, win::HWND* window) = 0;
    // The run's error state: 0 nothing failed, 1 cancelled by the user, other
    // codes a failure (with the system code that goes with it).
    virtual HRESULT GetErrorState(std::int32_t* errorCode, std::int32_t* lastError) = 0;
    // The caption the page chose (the product name when it chose none).
    virtual HRESULT GetCaption(std::string* caption) = 0;
    // Whether leaving the page now would have the browser ask the user first
    // (a transfer or verification is running). A browser decides whether to
    // ask before it tells the page it is being left, so it must know early.
    virtual HRESULT GetLeaveGuard(bool* guarded) = 0;
    // Tears the control down and destroys its window. `released` (may be
    // empty) runs once the control is gone, on the window thread or, when the
    // worker was still busy, on the worker's thread as its last act; from
    // then on the services are no longer used. The last Release closes the
    // control the same way when Close was not called.
    virtual HRESULT Close(std::function<void()> released) = 0;

protected:
    ~IKivDownloadControl() = default;
};

struct PropertyPageInfo {
    std::string title;  // string 200, "General"
    int width = 0;      // the page has no controls of its own
    int height = 0;
};

class IPropertyPage : public IUnknown {
public:
    virtual HRESULT GetPageInfo(PropertyPageInfo* info) = 0;

protected:
    ~IPropertyPage() = default;
};

}  // namespace com

// The module's exports (extern "C", by these names), as a registration tool
// or a host looks them up.
using DllRegisterServerFn = com::HRESULT();
using DllUnregisterServerFn = com::HRESULT();
using DllGetClassObjectFn = com::HRESULT(const win::GUID* clsid, const win::GUID* iid,
                                         void** object);
using DllCanUnloadNowFn = com::HRESULT();

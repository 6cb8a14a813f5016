#pragma once
// The control as a COM object: the host's interface (IKivDownloadControl)
// over a CKivDownloadControllerCtrl, and IObjectSafety, which tells the
// browser that the control is safe with any caller and any page data.
#include <functional>

#include "control/KivDownloadControllerCtrl.h"
#include "control/module/ComObjectCount.h"
#include "control/module/KivDownloadControlApi.h"

class CKivDownloadControllerObject final : public com::IKivDownloadControl {
public:
    // Starts with one reference, the caller's.
    CKivDownloadControllerObject() = default;

    com::HRESULT QueryInterface(com::REFGUID iid, void** object) override;
    std::uint32_t AddRef() override { return count_.Increment(); }
    std::uint32_t Release() override;

    com::HRESULT Initialize(const kivcontrol::ControlServices& services) override;
    com::HRESULT LoadProperties(const kivcontrol::IPropertyBag& bag) override;
    com::HRESULT CreateControlWindow(win::HWND parent, win::HWND* window) override;
    com::HRESULT GetErrorState(std::int32_t* errorCode, std::int32_t* lastError) override;
    com::HRESULT GetCaption(std::string* caption) override;
    com::HRESULT GetLeaveGuard(bool* guarded) override;
    com::HRESULT Close(std::function<void()> released) override;

    // The nested IObjectSafety, in the manner of the framework's interface
    // maps: its reference counting is the object's.
    class XObjectSafety final : public com::IObjectSafety {
    public:
        explicit XObjectSafety(CKivDownloadControllerObject& outer) : outer_(outer) {}
        com::HRESULT QueryInterface(com::REFGUID iid, void** object) override {
            return outer_.QueryInterface(iid, object);
        }
        std::uint32_t AddRef() override { return outer_.AddRef(); }
        std::uint32_t Release() override { return outer_.Release(); }

        com::HRESULT GetInterfaceSafetyOptions(com::REFGUID iid, win::DWORD* supported,
                                               win::DWORD* enabled) override;
        com::HRESULT SetInterfaceSafetyOptions(com::REFGUID iid, win::DWORD optionSetMask,
                                               win::DWORD enabledOptions) override;

    private:
        CKivDownloadControllerObject& outer_;
    };

private:
    ~CKivDownloadControllerObject();

    CComObjectCount count_;
    XObjectSafety objectSafety_{*this};
    kivcontrol::ControlPtr control_;
    bool propertiesLoaded_ = false;
    bool windowCreated_ = false;
};

#include "control/module/KivDownloadControllerObject.h"

#include <new>
#include <utility>

#include "assistant/KivDownloadAssistant.h"
#include "control/PageIntegration.h"
#include "control/module/KivDownloadControllerApp.h"

using kivcontrol::ControlServices;
using kivcontrol::CreateControl;
using kivcontrol::IPropertyBag;
using kivcontrol::ReleaseControl;
using kivcontrol::WouldAskBeforeLeaving;

using kivassistant::CKivDownloadAssistant;

using kivtransfer::ErrorState;

using namespace com;

HRESULT CKivDownloadControllerObject::QueryInterface(REFGUID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IKivDownloadControl) {
        *object = static_cast<IKivDownloadControl*>(this);
    } else if (iid == IID_IObjectSafety) {
        *object = static_cast<IObjectSafety*>(&objectSafety_);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

std::uint32_t CKivDownloadControllerObject::Release() {
    const std::uint32_t remaining = count_.Decrement();
    if (remaining == 0) delete this;
    return remaining;
}

CKivDownloadControllerObject::~CKivDownloadControllerObject() {
    Close({});
}

HRESULT CKivDownloadControllerObject::Initialize(const ControlServices& services) {
    if (control_) return E_UNEXPECTED;
    try {
        ControlServices withAssistant = services;
        if (withAssistant.assistantProgram.empty()) {
            // Code only this module holds (the engine's may be the host's copy).
            withAssistant.assistantProgram = CKivDownloadAssistant::AssistantPathNextToModule(
                reinterpret_cast<const void*>(&CKivDownloadControllerApp::ModulePath));
        }
        control_ = CreateControl(withAssistant);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // The control may outlive this object (its worker deletes it): it keeps
    // the module loaded until Close's callback.
    CKivDownloadControllerApp::Instance().ObjectCreated();
    return S_OK;
}

HRESULT CKivDownloadControllerObject::LoadProperties(const IPropertyBag& bag) {
    if (!control_ || propertiesLoaded_) return E_UNEXPECTED;
    propertiesLoaded_ = true;
    return control_->LoadProperties(bag) ? S_OK : S_FALSE;
}

HRESULT CKivDownloadControllerObject::CreateControlWindow(win::HWND parent, win::HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = nullptr;
    // Without its parameters the control would start a run over nothing.
    if (!control_ || !propertiesLoaded_ || windowCreated_) return E_UNEXPECTED;
    windowCreated_ = true;
    *window = control_->CreateControlWindow(parent);
    return *window != nullptr ? S_OK : E_FAIL;
}

HRESULT CKivDownloadControllerObject::GetErrorState(std::int32_t* errorCode,
                                                    std::int32_t* lastError) {
    if (errorCode == nullptr || lastError == nullptr) return E_POINTER;
    if (!control_) return E_UNEXPECTED;
    const ErrorState& error = control_->Run().Error();
    *errorCode = error.errorCode;
    *lastError = static_cast<std::int32_t>(error.lastError);
    return S_OK;
}

HRESULT CKivDownloadControllerObject::GetCaption(std::string* caption) {
    if (caption == nullptr) return E_POINTER;
    if (!control_) return E_UNEXPECTED;
    *caption = control_->Run().Caption();
    return S_OK;
}

HRESULT CKivDownloadControllerObject::GetLeaveGuard(bool* guarded) {
    if (guarded == nullptr) return E_POINTER;
    if (!control_) return E_UNEXPECTED;
    *guarded = WouldAskBeforeLeaving(control_->Run());
    return S_OK;
}

HRESULT CKivDownloadControllerObject::Close(std::function<void()> released) {
    if (!control_) {
        if (released) released();
        return S_OK;
    }
    ReleaseControl(std::move(control_), [released = std::move(released)] {
        if (released) released();
        CKivDownloadControllerApp::Instance().ObjectDestroyed();
    });
    return S_OK;
}

HRESULT CKivDownloadControllerObject::XObjectSafety::GetInterfaceSafetyOptions(
    REFGUID /*iid*/, win::DWORD* supported, win::DWORD* enabled) {
    if (supported == nullptr || enabled == nullptr) return E_POINTER;
    // Safe for every interface: the control takes nothing from its caller
    // but the page's parameters, which it validates.
    *supported = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    *enabled = *supported;
    return S_OK;
}

HRESULT CKivDownloadControllerObject::XObjectSafety::SetInterfaceSafetyOptions(
    REFGUID /*iid*/, win::DWORD /*optionSetMask*/, win::DWORD /*enabledOptions*/) {
    return S_OK;
}

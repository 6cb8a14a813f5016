#pragma once
// The control's one property page ("General"). It has no controls of its
// own: the control is configured by the page's parameters only.
#include "control/module/ClassFactory.h"
#include "control/module/ComObjectCount.h"
#include "control/module/KivDownloadControlApi.h"

class CKivDownloadControllerPropPage final : public com::IPropertyPage {
public:
    using CKivDownloadControllerPropPageFactory = CClassFactory<CKivDownloadControllerPropPage>;

    // Starts with one reference, the caller's.
    CKivDownloadControllerPropPage() = default;

    com::HRESULT QueryInterface(com::REFGUID iid, void** object) override;
    std::uint32_t AddRef() override { return count_.Increment(); }
    std::uint32_t Release() override;

    com::HRESULT GetPageInfo(com::PropertyPageInfo* info) override;

private:
    ~CKivDownloadControllerPropPage() = default;

    CComObjectCount count_;
};

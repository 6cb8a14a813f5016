#include "control/module/KivDownloadControllerPropPage.h"

#include "resources/StringIds.h"
#include "resources/StringTable.h"

using namespace com;

namespace {}  // namespace

HRESULT CKivDownloadControllerPropPage::QueryInterface(REFGUID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IPropertyPage) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IPropertyPage*>(this);
    AddRef();
    return S_OK;
}

std::uint32_t CKivDownloadControllerPropPage::Release() {
    const std::uint32_t remaining = count_.Decrement();
    if (remaining == 0) delete this;
    return remaining;
}

HRESULT CKivDownloadControllerPropPage::GetPageInfo(PropertyPageInfo* info) {
    if (info == nullptr) return E_POINTER;
    info->title = res::LoadString(textid::kPropertyPageCaption);
    info->width = 0;
    info->height = 0;
    return S_OK;
}

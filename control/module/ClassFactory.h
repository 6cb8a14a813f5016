#pragma once
// A class factory for one class of the module. Each factory handed out is an
// object of its own, counted like any other, so the module stays loaded while
// the host holds a factory.
#include <new>

#include "control/module/ComObjectCount.h"
#include "control/module/ComTypes.h"

// `Object` starts with one reference (its creator's) and implements IUnknown.
template <class Object>
class CClassFactory final : public com::IClassFactory {
public:
    CClassFactory() = default;

    com::HRESULT QueryInterface(com::REFGUID iid, void** object) override {
        if (object == nullptr) return com::E_POINTER;
        if (iid != com::IID_IUnknown && iid != com::IID_IClassFactory) {
            *object = nullptr;
            return com::E_NOINTERFACE;
        }
        *object = static_cast<com::IClassFactory*>(this);
        AddRef();
        return com::S_OK;
    }
    std::uint32_t AddRef() override { return count_.Increment(); }
    std::uint32_t Release() override {
        const std::uint32_t remaining = count_.Decrement();
        if (remaining == 0) delete this;
        return remaining;
    }

    com::HRESULT CreateInstance(com::IUnknown* outer, com::REFGUID iid, void** object) override {
        if (object == nullptr) return com::E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return com::CLASS_E_NOAGGREGATION;
        Object* created = new (std::nothrow) Object();
        if (created == nullptr) return com::E_OUTOFMEMORY;
        const com::HRESULT result = created->QueryInterface(iid, object);
        created->Release();  // the interface's reference remains, or the object goes
        return result;
    }
    com::HRESULT LockServer(win::BOOL lock) override {
        if (lock) {
            CKivDownloadControllerApp::Instance().Lock();
        } else {
            CKivDownloadControllerApp::Instance().Unlock();
        }
        return com::S_OK;
    }

private:
    ~CClassFactory() = default;

    CComObjectCount count_;
};

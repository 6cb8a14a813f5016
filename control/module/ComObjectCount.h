#pragma once
// The reference count of one COM object of this module. While the object
// lives it counts as one of the module's objects, so the module is not
// unloaded under it.
#include <atomic>
#include <cstdint>

#include "control/module/KivDownloadControllerApp.h"

class CComObjectCount {
public:
    CComObjectCount() { CKivDownloadControllerApp::Instance().ObjectCreated(); }
    ~CComObjectCount() { CKivDownloadControllerApp::Instance().ObjectDestroyed(); }
    CComObjectCount(const CComObjectCount&) = delete;
    CComObjectCount& operator=(const CComObjectCount&) = delete;

    std::uint32_t Increment() { return count_.fetch_add(1) + 1; }
    std::uint32_t Decrement() { return count_.fetch_sub(1) - 1; }

private:
    std::atomic<std::uint32_t> count_{1};  // the creator's reference
};

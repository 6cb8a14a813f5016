#pragma once
// The module object: counts what keeps the module loaded (live objects,
// including class factories, and the host's LockServer calls) and knows
// where the module file is.
#include <atomic>
#include <string>

class CKivDownloadControllerApp {
public:
    static CKivDownloadControllerApp& Instance();

    void ObjectCreated() { objects_.fetch_add(1); }
    void ObjectDestroyed() { objects_.fetch_sub(1); }
    void Lock() { locks_.fetch_add(1); }
    void Unlock() { locks_.fetch_sub(1); }
    // True when nothing of the module is in use.
    bool CanUnload() const { return objects_.load() == 0 && locks_.load() == 0; }

    // Native absolute path of the module file; empty when it cannot be found.
    static std::string ModulePath();

private:
    CKivDownloadControllerApp() = default;

    std::atomic<long> objects_{0};
    std::atomic<long> locks_{0};
};

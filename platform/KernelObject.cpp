#include "platform/KernelObject.h"

#include <algorithm>
#include <map>

#include "platform/ThreadRecord.h"

namespace win::detail {

namespace {

// Values grow by 4 as on Windows and are never handed out twice.
constexpr std::uintptr_t kFirstHandle = 0x100;
constexpr std::uintptr_t kHandleStep = 4;

struct HandleTable {
    std::uintptr_t next = kFirstHandle;
    std::map<HANDLE, std::shared_ptr<KernelObject>> objects;
};

HandleTable& Table() {
    static auto* table = new HandleTable;  // see KernelMutex()
    return *table;
}

}  // namespace

void KernelObject::RemoveWaiter(ThreadRecord* waiter) {
    auto found = std::find(waiters_.begin(), waiters_.end(), waiter);
    if (found != waiters_.end()) waiters_.erase(found);
}

void KernelObject::WakeWaiters() {
    for (ThreadRecord* waiter : waiters_) waiter->wake.notify_all();
}

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    auto handle = reinterpret_cast<HANDLE>(table.next);
    table.next += kHandleStep;
    table.objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<KernelObject> FindObject(HANDLE handle) {
    auto found = Table().objects.find(handle);
    return found == Table().objects.end() ? nullptr : found->second;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle) {
    auto found = Table().objects.find(handle);
    if (found == Table().objects.end()) return nullptr;
    std::shared_ptr<KernelObject> object = std::move(found->second);
    Table().objects.erase(found);
    return object;
}

}  // namespace win::detail

#include "platform/Event.h"

#include <map>
#include <string>

#include "platform/EventObject.h"
#include "platform/KernelCore.h"
#include "platform/LastError.h"

namespace win {

namespace {

using detail::EventObject;
using detail::KernelLock;
using detail::KernelMutex;

struct NamedEvents {
    std::map<std::string, std::weak_ptr<EventObject>, std::less<>> byName;
    std::shared_ptr<INamedEventBackend> backend;
};

NamedEvents& Names() {
    static auto* names = new NamedEvents;  // see KernelMutex()
    return *names;
}

std::string_view WithoutNamespace(std::string_view name) {
    for (std::string_view prefix : {"Local\\", "Global\\"}) {
        if (name.starts_with(prefix)) return name.substr(prefix.size());
    }
    return name;
}

std::shared_ptr<EventObject> FindNamed(std::string_view name) {
    auto found = Names().byName.find(name);
    if (found == Names().byName.end()) return nullptr;
    std::shared_ptr<EventObject> event = found->second.lock();
    if (!event) Names().byName.erase(found);
    return event;
}

// A changed state from another process, for a local event that may be gone.
std::function<void(bool)> RemoteChangeFor(const std::shared_ptr<EventObject>& event) {
    return [weak = std::weak_ptr<EventObject>(event)](bool signalled) {
        std::shared_ptr<EventObject> alive = weak.lock();  // released after the lock
        if (!alive) return;
        KernelLock lock(KernelMutex());
        alive->SetState(signalled, false);
    };
}

// Under the lock: a new named event, shared through the backend if there is one.
std::shared_ptr<EventObject> MakeNamed(std::string_view name, bool manualReset, bool initialState,
                                       bool openOnly, bool& existed) {
    existed = false;
    SharedEventAttachment attachment;
    auto event = std::make_shared<EventObject>(manualReset, initialState);
    if (Names().backend) {
        SharedEventRequest request{std::string(name), manualReset, initialState, openOnly,
                                   RemoteChangeFor(event)};
        attachment = Names().backend->Attach(request);
    }
    if (openOnly && !attachment.existed) return nullptr;
    if (attachment.existed) {
        existed = true;
        event->SetState(attachment.signalled, false);
    }
    event->Share(std::move(attachment.link));
    Names().byName[std::string(name)] = event;
    return event;
}

HANDLE OpenOrCreate(std::string_view rawName, bool manualReset, bool initialState, bool openOnly) {
    const std::string_view name = WithoutNamespace(rawName);
    KernelLock lock(KernelMutex());
    bool existed = true;
    std::shared_ptr<EventObject> event = FindNamed(name);
    if (!event) event = MakeNamed(name, manualReset, initialState, openOnly, existed);
    if (!event) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return detail::InsertHandle(event);
}

BOOL ChangeState(HANDLE handle, bool signalled) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<EventObject> event = detail::FindObjectAs<EventObject>(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->SetState(signalled, true);
    return TRUE;
}

}  // namespace

void SetNamedEventBackend(std::shared_ptr<INamedEventBackend> backend) {
    KernelLock lock(KernelMutex());
    Names().backend.swap(backend);
}

HANDLE CreateEvent(bool manualReset, bool initialState, std::string_view name) {
    if (!name.empty()) return OpenOrCreate(name, manualReset, initialState, false);
    auto event = std::make_shared<EventObject>(manualReset, initialState);
    KernelLock lock(KernelMutex());
    SetLastError(ERROR_SUCCESS);
    return detail::InsertHandle(std::move(event));
}

HANDLE OpenEvent(std::string_view name) {
    if (name.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return OpenOrCreate(name, true, false, true);
}

BOOL SetEvent(HANDLE event) {
    return ChangeState(event, true);
}

BOOL ResetEvent(HANDLE event) {
    return ChangeState(event, false);
}

int GetEventWaitFd(HANDLE handle) {
    KernelLock lock(KernelMutex());
    std::shared_ptr<EventObject> event = detail::FindObjectAs<EventObject>(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return event->WaitFd();
}

bool CEvent::Create(bool manualReset, bool initialState, std::string_view name) {
    Attach(CreateEvent(manualReset, initialState, name));
    return IsValid();
}

}  // namespace win

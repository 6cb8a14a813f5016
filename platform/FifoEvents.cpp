#include "platform/FifoEvents.h"

#include "platform/FifoEventLinks.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/NamedFifo.h"

namespace win {

namespace {

using detail::NamedFifo;

class FifoEventBackend : public INamedEventBackend {
public:
    explicit FifoEventBackend(std::string nativeFolder) : folder_(std::move(nativeFolder)) {}

    // A name that cannot be a file name leaves the event in this process.
    SharedEventAttachment Attach(const SharedEventRequest& request) override {
        const std::string fileName = detail::EventFifoFileName(request.name);
        if (fileName.empty()) return {};
        const std::string path = folder_ + "/" + fileName;
        bool othersHold = true;
        NamedFifo fifo =
            request.openOnly ? NamedFifo::JoinHeld(path) : NamedFifo::Join(path, othersHold);
        if (!fifo.IsValid()) return {};
        SharedEventAttachment attachment;
        attachment.link = detail::MakeFifoEventLink(std::move(fifo), request.manualReset,
                                                    othersHold, request.remoteChanged);
        attachment.existed = attachment.link != nullptr && othersHold;
        return attachment;
    }

private:
    const std::string folder_;
};

std::string_view WithoutNamespace(std::string_view name) {
    for (std::string_view prefix : {"Local\\", "Global\\"}) {
        if (name.starts_with(prefix)) return name.substr(prefix.size());
    }
    return name;
}

}  // namespace

std::shared_ptr<INamedEventBackend> CreateFifoEventBackend(std::string nativeFolder) {
    return std::make_shared<FifoEventBackend>(std::move(nativeFolder));
}

bool InstallFifoEventBackend() {
    std::string folder;
    if (!GetKnownFolderNativePath(KnownFolder::Runtime, folder)) return false;
    SetNamedEventBackend(CreateFifoEventBackend(std::move(folder)));
    return true;
}

bool SignalNamedEventFifo(std::string_view name) {
    const std::string fileName = detail::EventFifoFileName(WithoutNamespace(name));
    if (fileName.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::string folder;
    if (!GetKnownFolderNativePath(KnownFolder::Runtime, folder)) return false;
    const NamedFifo fifo = NamedFifo::OpenHeld(folder + "/" + fileName);
    return fifo.IsValid() && fifo.WriteByte();
}

}  // namespace win

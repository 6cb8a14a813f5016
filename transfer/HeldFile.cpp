#include "transfer/HeldFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "platform/File.h"
#include "platform/NativePath.h"
#include "platform/WinTypes.h"

namespace kivtransfer {

void HoldFile(CONTENTDATA& item, win::CFile&& file) {
    item.heldFile = std::make_shared<win::CFile>(std::move(file));
}

TransferResult CheckHeldFile(const CONTENTDATA& item) {
    struct stat held {};
    struct stat named {};
    std::string native;
    if (!item.heldFile || !item.heldFile->IsOpen() ||
        ::fstat(item.heldFile->NativeHandle(), &held) != 0 ||
        !win::ToNativePath(item.localPath, native) || ::lstat(native.c_str(), &named) != 0) {
        return TransferResult::Done();  // nothing held, or nothing there: the next step says so
    }
    if (named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
        return TransferResult::Done();
    }
    // A file of this user's own may have taken its place (a copy put back):
    // its bytes decide. Anything else there is someone else's: ours was
    // moved away.
    const bool usersOwnFile =
        S_ISREG(named.st_mode) && named.st_uid == ::geteuid() && named.st_nlink == 1;
    return usersOwnFile ? TransferResult::Done()
                        : TransferResult::FileFailed(win::ERROR_FILE_INVALID, item.name);
}

void ReleaseHeldFiles(const ContentList& items) {
    for (const auto& item : items) {
        item->heldFile.reset();
    }
}

}  // namespace kivtransfer

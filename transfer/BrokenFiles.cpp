#include "transfer/BrokenFiles.h"

#include <new>

#include "env/PathRules.h"
#include "transfer/WorkFiles.h"

namespace kivtransfer {

namespace {

bool IsBroken(const CONTENTDATA& item) {
    return (item.flags & CDF_BROKEN) != 0;
}

}  // namespace

bool BrokenFileList(const ContentList& items, std::string& text) {
    try {
        std::string list;
        bool first = true;
        for (const auto& item : items) {
            if (!IsBroken(*item)) {
                continue;
            }
            list += first ? "\t" : "\n\t";
            list += item->name;
            first = false;
        }
        text = std::move(list);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool DeleteBrokenFiles(IDownloadControl& control) {
    for (const auto& item : control.Items()) {
        if (IsBroken(*item) && IsWorkFileOfItem(control, *item)) {
            // Clears read-only and hidden first; what cannot be deleted stays.
            env::ForceDeleteFile(item->localPath);
        }
    }
    return true;
}

}  // namespace kivtransfer

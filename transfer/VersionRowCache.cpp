#include "transfer/VersionRowCache.h"

namespace kivtransfer {

CVersionRowCache& CVersionRowCache::Instance() {
    static CVersionRowCache cache;
    return cache;
}

bool CVersionRowCache::Find(std::string_view path, std::string_view bytes, Entries& rows) const {
    std::lock_guard lock(mutex_);
    if (path.empty() || path != path_ || bytes != bytes_) {
        return false;
    }
    rows = rows_;
    return true;
}

void CVersionRowCache::Remember(std::string_view path, std::string_view bytes,
                                const Entries& rows) {
    std::lock_guard lock(mutex_);
    try {
        path_ = path;
        bytes_ = bytes;
        rows_ = rows;
    } catch (...) {
        // Out of memory: nothing half-remembered may match later.
        path_.clear();
        throw;
    }
}

void CVersionRowCache::Forget() {
    std::lock_guard lock(mutex_);
    path_.clear();
    bytes_.clear();
    rows_.clear();
}

}  // namespace kivtransfer

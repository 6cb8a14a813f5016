#include "transfer/SizeQueriesAhead.h"

#include <algorithm>
#include <utility>

#include "transfer/HttpTransfer.h"

namespace kivtransfer {

CSizeQueriesAhead::CSizeQueriesAhead(IDownloadControl& control, std::size_t depth)
    : control_(control), depth_(std::max<std::size_t>(depth, 1)) {}

void CSizeQueriesAhead::BeginFrom(std::size_t index) {
    const ContentList& items = control_.Items();
    next_ = std::max(next_, index);
    const std::size_t end = std::min(items.size(), index + depth_);
    for (; next_ < end; ++next_) {
        if (control_.IsCancelled()) return;
        if (auto request = BeginSizeQuery(control_, items[next_]->url)) {
            begun_[next_] = std::move(request);
        }
    }
}

std::unique_ptr<win::CHttpFile> CSizeQueriesAhead::Take(std::size_t index) {
    const auto found = begun_.find(index);
    if (found == begun_.end()) return nullptr;
    std::unique_ptr<win::CHttpFile> request = std::move(found->second);
    begun_.erase(found);
    return request;
}

}  // namespace kivtransfer

#include "transfer/TransfersAhead.h"

#include <algorithm>
#include <new>
#include <string>

#include "env/Application.h"
#include "platform/HttpConnection.h"
#include "platform/InternetException.h"
#include "platform/InternetSession.h"
#include "transfer/RequestHeaders.h"
#include "transfer/RequestTarget.h"

namespace kivtransfer {

namespace {

// The request a fresh file's first attempt sends (FileTransfer's SendGet).
std::unique_ptr<win::CHttpFile> BeginFreshGet(IDownloadControl& control, const CONTENTDATA& item) {
    const TransferOutcome<RequestTarget> target = SplitRequestTarget(item.url);
    if (!target.Ok()) return nullptr;
    try {
        const auto connection = control.Session().GetHttpConnection(target->server, target->port);
        auto request = connection->OpenRequest(win::HTTP_VERB_GET, target->object, target->flags);
        request->BeginRequest(TransferHeaders(env::GetProductName(), 0, item.lastModified, {}));
        return request;
    } catch (const win::CInternetException&) {
        return nullptr;  // the attempt meets the failure itself and reports it
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

CTransfersAhead::CTransfersAhead(IDownloadControl& control) : control_(control) {}

bool CTransfersAhead::Wanted(std::size_t index) const {
    const CONTENTDATA& item = *control_.Items()[index];
    return (item.flags & (CDF_COMPLETE | CDF_RESUME)) == 0 && item.size > 0 &&
           item.size <= kLargestBody && !item.localPath.empty();
}

void CTransfersAhead::BeginAfter(std::size_t index) {
    const ContentList& items = control_.Items();
    next_ = std::max(next_, index + 1);
    const std::size_t end = std::min(items.size(), index + 1 + kDepth);
    for (; next_ < end; ++next_) {
        if (control_.IsCancelled()) return;
        if (!Wanted(next_)) continue;
        if (auto request = BeginFreshGet(control_, *items[next_])) {
            begun_[next_] = std::move(request);
        }
    }
}

std::unique_ptr<win::CHttpFile>& CTransfersAhead::Slot(std::size_t index) {
    return begun_[index];
}

}  // namespace kivtransfer

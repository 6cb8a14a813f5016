// The size query: a HEAD request for an item's Content-Length and Last-Modified.
#include <string>

#include "env/Application.h"
#include "platform/HttpConnection.h"
#include "platform/HttpFile.h"
#include "platform/InternetException.h"
#include "platform/InternetSession.h"
#include "transfer/ContentLength.h"
#include "transfer/HttpTransfer.h"
#include "transfer/RequestHeaders.h"
#include "transfer/RequestTarget.h"
#include "transfer/SendRequest.h"
#include "transfer/TransferResult.h"

namespace kivtransfer {

namespace {

void ReadSizeHeaders(const win::CHttpFile& request, CONTENTDATA& item) {
    std::string contentLength;
    if (request.QueryInfo(win::HTTP_QUERY_CONTENT_LENGTH, contentLength)) {
        ParseContentLength(contentLength, item.size);
    }
    std::string lastModified;
    if (!request.QueryInfo(win::HTTP_QUERY_LAST_MODIFIED, lastModified)) {
        lastModified.clear();
    }
    item.lastModified = lastModified;
}

TransferResult QuerySize(IDownloadControl& control, const std::string& url, CONTENTDATA& item,
                         SizeQueryAnswer* answer) {
    const TransferOutcome<RequestTarget> target = SplitRequestTarget(url);
    if (!target.Ok()) {
        return target.Result();
    }
    try {
        const auto connection = control.Session().GetHttpConnection(target->server, target->port);
        const auto request =
            connection->OpenRequest(win::HTTP_VERB_HEAD, target->object, target->flags);
        const TransferOutcome<win::DWORD> status =
            SendRequest(control, *request, UserAgentHeader(env::GetProductName()), "HEAD " + url);
        if (!status.Ok()) {
            return status.Result();
        }
        ReadSizeHeaders(*request, item);
        if (answer != nullptr) {
            answer->status = *status;
            if (!request->QueryInfo(win::HTTP_QUERY_CONTENT_TYPE, answer->contentType)) {
                answer->contentType.clear();
            }
        }
    } catch (const win::CInternetException& failure) {
        return TransferResult::Failed(errcode::kInternetError, failure.ErrorNumber());
    }
    return TransferResult::Done();
}

}  // namespace

bool SizeQuery(IDownloadControl& control, const std::string& url, CONTENTDATA& item,
               SizeQueryAnswer* answer) {
    return StoreResultOf(control.Error(), [&] { return QuerySize(control, url, item, answer); });
}

}  // namespace kivtransfer

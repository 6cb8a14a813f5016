// The size query: a HEAD request for an item's Content-Length and Last-Modified.
#include <memory>
#include <new>
#include <string>
#include <utility>

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

std::string SizeQueryHeaders() {
    return UserAgentHeader(env::GetProductName());
}

std::unique_ptr<win::CHttpFile> OpenSizeQuery(IDownloadControl& control,
                                              const RequestTarget& target) {
    const auto connection = control.Session().GetHttpConnection(target.server, target.port);
    return connection->OpenRequest(win::HTTP_VERB_HEAD, target.object, target.flags);
}

TransferResult QuerySize(IDownloadControl& control, const std::string& url, CONTENTDATA& item,
                         SizeQueryAnswer* answer, std::unique_ptr<win::CHttpFile> request) {
    const TransferOutcome<RequestTarget> target = SplitRequestTarget(url);
    if (!target.Ok()) {
        return target.Result();
    }
    try {
        if (!request) request = OpenSizeQuery(control, *target);
        const TransferOutcome<win::DWORD> status =
            SendRequest(control, *request, SizeQueryHeaders(), "HEAD " + url);
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
               SizeQueryAnswer* answer, std::unique_ptr<win::CHttpFile> begun) {
    return StoreResultOf(control.Error(),
                         [&] { return QuerySize(control, url, item, answer, std::move(begun)); });
}

std::unique_ptr<win::CHttpFile> BeginSizeQuery(IDownloadControl& control, const std::string& url) {
    const TransferOutcome<RequestTarget> target = SplitRequestTarget(url);
    if (!target.Ok()) return nullptr;
    try {
        std::unique_ptr<win::CHttpFile> request = OpenSizeQuery(control, *target);
        request->BeginRequest(SizeQueryHeaders());
        return request;
    } catch (const win::CInternetException&) {
        return nullptr;  // the query itself meets the failure and reports it
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace kivtransfer

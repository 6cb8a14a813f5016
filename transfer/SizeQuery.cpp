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
#include "transfer/TransferFailure.h"

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

void QuerySize(IDownloadControl& control, const std::string& url, CONTENTDATA& item) {
    ErrorState& error = control.Error();
    const RequestTarget target = SplitRequestTarget(error, url);
    try {
        const auto connection = control.Session().GetHttpConnection(target.server, target.port);
        const auto request =
            connection->OpenRequest(win::HTTP_VERB_HEAD, target.object, target.flags);
        SendRequest(control, *request, UserAgentHeader(env::GetProductName()), "HEAD " + url);
        ReadSizeHeaders(*request, item);
    } catch (const win::CInternetException& failure) {
        Fail(error, errcode::kInternetError, failure.ErrorNumber());
    }
}

}  // namespace

bool SizeQuery(IDownloadControl& control, const std::string& url, CONTENTDATA& item) {
    return RunGuarded(control.Error(), [&] { QuerySize(control, url, item); });
}

// probe URL: the size query as the engine makes it (HEAD with the product's
// User-Agent, only 200 and 206 accepted, redirects followed), with what the
// server answered; on failure the code tag and the text a user would read.
#include <cinttypes>
#include <cstdio>
#include <string>

#include "control/ErrorCodeTexts.h"
#include "control/ErrorMessage.h"
#include "env/Application.h"
#include "env/Locations.h"
#include "platform/HttpConnection.h"
#include "platform/HttpFile.h"
#include "platform/InternetException.h"
#include "platform/InternetSession.h"
#include "tools/kivtool/Command.h"
#include "tools/kivtool/HeadlessControl.h"
#include "transfer/ContentLength.h"
#include "transfer/RequestHeaders.h"
#include "transfer/RequestTarget.h"
#include "transfer/SendRequest.h"
#include "transfer/TransferFailure.h"

namespace kivtool {
namespace {

struct ProbeAnswer {
    win::DWORD status = 0;
    std::uint64_t size = 0;  // 0 when the server gives no usable Content-Length, as for an item
    std::string lastModified;
    std::string contentType;
};

std::string HeaderOf(const win::CHttpFile& request, win::DWORD infoLevel) {
    std::string value;
    return request.QueryInfo(infoLevel, value) ? value : std::string();
}

// The same request as the engine's size query, keeping the status and the
// content type that the query itself has no use for.
void Probe(IDownloadControl& control, const std::string& url, ProbeAnswer& answer) {
    ErrorState& error = control.Error();
    const RequestTarget target = SplitRequestTarget(error, url);
    try {
        win::CInternetSession session;
        const auto connection = session.GetHttpConnection(target.server, target.port);
        const auto request =
            connection->OpenRequest(win::HTTP_VERB_HEAD, target.object, target.flags);
        answer.status = SendRequest(control, *request, UserAgentHeader(env::GetProductName()));
        ParseContentLength(HeaderOf(*request, win::HTTP_QUERY_CONTENT_LENGTH), answer.size);
        answer.lastModified = HeaderOf(*request, win::HTTP_QUERY_LAST_MODIFIED);
        answer.contentType = HeaderOf(*request, win::HTTP_QUERY_CONTENT_TYPE);
    } catch (const win::CInternetException& failure) {
        Fail(error, errcode::kInternetError, failure.ErrorNumber());
    }
}

void PrintFailure(const ErrorState& error) {
    const CodeText codeText = TextForCode(error);
    std::string text = codeText.text;
    if (codeText.systemText && error.lastError != 0) {
        text += env::GetSystemErrorText(error.lastError);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::printf("%s\n%s\n", CodeTag(error.errorCode, error.lastError).c_str(), text.c_str());
}

}  // namespace

int RunProbe(const Args& args) {
    if (args.size() != 1) return Usage("probe takes one URL");
    CHeadlessControl control;
    ProbeAnswer answer;
    if (!RunGuarded(control.Error(), [&] { Probe(control, args[0], answer); })) {
        PrintFailure(control.Error());
        return kRefused;
    }
    std::printf("status %u\nsize %" PRIu64 "\nlast-modified %s\ncontent-type %s\n", answer.status,
                answer.size, answer.lastModified.c_str(), answer.contentType.c_str());
    return kSuccess;
}

}  // namespace kivtool

#include "transfer/SendRequest.h"

#include <string>
#include <utility>

#include "platform/InternetConstants.h"
#include "platform/InternetErrors.h"
#include "platform/InternetException.h"
#include "platform/LastError.h"
#include "platform/RunCredentials.h"

namespace kivtransfer {

namespace {

constexpr win::DWORD HTTP_STATUS_OK = 200;
constexpr win::DWORD HTTP_STATUS_PARTIAL_CONTENT = 206;
constexpr win::DWORD HTTP_STATUS_PROXY_AUTH_REQ = 407;

void ReportHeaderLines(IRunReport& report, std::string_view headers) {
    while (!headers.empty()) {
        const std::size_t end = headers.find("\r\n");
        const std::string_view line = headers.substr(0, end);
        if (!line.empty()) report.HttpDetail(std::string("  ") + std::string(line));
        if (end == std::string_view::npos) break;
        headers.remove_prefix(end + 2);
    }
}

void ReportRequest(IDialogPort& control, std::string_view headers, std::string_view requestLine) {
    IRunReport* report = control.Report();
    if (report == nullptr || requestLine.empty()) return;
    report->HttpDetail(std::string(requestLine));
    ReportHeaderLines(*report, headers);
    // The user's session goes out below this layer; its values are never shown.
    for (const std::string& line : win::inet::RedactedCredentialLines()) {
        report->HttpDetail("  " + line);
    }
}

void ReportAnswer(IDialogPort& control, const win::CHttpFile& request, win::DWORD status) {
    IRunReport* report = control.Report();
    if (report == nullptr) return;
    report->HttpDetail("HTTP status " + std::to_string(status));
    const std::pair<win::DWORD, const char*> headers[] = {
        {win::HTTP_QUERY_CONTENT_LENGTH, "Content-Length: "},
        {win::HTTP_QUERY_LAST_MODIFIED, "Last-Modified: "}};
    for (const auto& [level, name] : headers) {
        std::string value;
        if (request.QueryInfo(level, value)) report->HttpDetail(std::string("  ") + name + value);
    }
}

}  // namespace

TransferOutcome<win::DWORD> SendRequest(IDownloadControl& control, win::CHttpFile& request,
                                        std::string_view headers, std::string_view requestLine) {
    for (;;) {
        ReportRequest(control, headers, requestLine);
        if (control.IsCancelled()) {
            return TransferResult::Failed(errcode::kCancelled);
        }
        win::DWORD status = 0;
        try {
            request.SendRequest(headers, control.CancelFd());
            if (!request.QueryInfoStatusCode(status)) {
                return TransferResult::Failed(errcode::kNoHttpStatus, win::GetLastError());
            }
            ReportAnswer(control, request, status);
        } catch (const win::CInternetException& failure) {
            if (failure.ErrorNumber() == win::ERROR_INTERNET_OPERATION_CANCELLED) {
                return TransferResult::Failed(errcode::kCancelled);
            }
            return TransferResult::Failed(errcode::kInternetError, failure.ErrorNumber())
                .WithDetail(failure.Detail());
        }
        if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
            if (control.AskProxyCredentials(request) == ERROR_INTERNET_FORCE_RETRY) {
                continue;
            }
            return TransferResult::Failed(errcode::kHttpStatus, status);
        }
        if (status != HTTP_STATUS_OK && status != HTTP_STATUS_PARTIAL_CONTENT) {
            return TransferResult::Failed(errcode::kHttpStatus, status);
        }
        return status;
    }
}

}  // namespace kivtransfer

#include "host/PageFetch.h"

#include <chrono>
#include <new>

#include "host/HostText.h"
#include "platform/InternetErrors.h"
#include "platform/InternetException.h"
#include "platform/InternetSession.h"
#include "platform/InternetUrl.h"
#include "platform/SystemErrorText.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunkBytes = 16384;

std::string InternetErrorText(win::DWORD code) {
    std::string text = win::FormatSystemMessage(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text.empty() ? HostText(textid::kInternetError, {code})
                        : text + " (" + std::to_string(code) + ")";
}

// Reads the body into `bytes`; false with `error` on a time-out or a page too large.
bool ReadBody(win::CHttpFile& request, const PageFetchLimits& limits, std::string& bytes,
              std::string& error) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.deadlineMs);
    char buffer[kChunkBytes];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            error = HostText(textid::kPageNotInTime);
            return false;
        }
        const int timeoutMs =
            static_cast<int>(std::min<long long>(left.count(), limits.readTimeoutMs));
        const win::ReadResult read = request.Read(buffer, sizeof buffer, timeoutMs);
        if (bytes.size() + read.count > kMaxPageBytes) {
            error = HostText(textid::kPageTooLarge, {kMaxPageBytes / (1024 * 1024)});
            return false;
        }
        bytes.append(buffer, read.count);
        if (read.outcome == win::ReadOutcome::TimedOut) {
            error = HostText(textid::kPageStopped);
            return false;
        }
        if (read.outcome == win::ReadOutcome::CutShort) {
            error = HostText(textid::kPageEndedEarly);
            return false;
        }
        if (read.outcome == win::ReadOutcome::Complete && read.count < sizeof buffer) return true;
    }
}

bool Fetch(const std::string& url, const PageFetchLimits& limits, std::string& bytes,
           std::string& contentType, std::string& error) {
    win::DWORD service = 0;
    std::string server;
    std::string object;
    win::INTERNET_PORT port = 0;
    if (!win::ParseURL(url, service, server, object, port)) {
        error = HostText(textid::kNoUsableUrl);
        return false;
    }
    win::CInternetSession session;
    session.SetOption(win::INTERNET_OPTION_CONNECT_TIMEOUT, limits.connectTimeoutMs);
    session.SetOption(win::INTERNET_OPTION_RECEIVE_TIMEOUT, limits.readTimeoutMs);
    auto connection = session.GetHttpConnection(server, port);
    const win::DWORD flags =
        win::INTERNET_FLAG_RELOAD |
        (service == win::AFX_INET_SERVICE_HTTPS ? win::INTERNET_FLAG_SECURE : 0);
    auto request = connection->OpenRequest(win::HTTP_VERB_GET, object, flags);
    request->SendRequest("User-Agent: kiv-downloader\r\n");
    win::DWORD status = 0;
    request->QueryInfoStatusCode(status);
    if (status != 200) {
        error = HostText(textid::kServerStatus, {status});
        return false;
    }
    if (!request->QueryInfo(win::HTTP_QUERY_CONTENT_TYPE, contentType)) contentType.clear();
    return ReadBody(*request, limits, bytes, error);
}

}  // namespace

bool FetchPage(const std::string& url, const PageFetchLimits& limits, std::string& bytes,
               std::string& contentType, std::string& error) {
    bytes.clear();
    contentType.clear();
    std::string cause;
    try {
        if (Fetch(url, limits, bytes, contentType, cause)) return true;
    } catch (const win::CInternetException& failure) {
        cause = InternetErrorText(failure.ErrorNumber());
    } catch (const std::bad_alloc&) {
        cause = HostText(textid::kOutOfMemory);
    }
    error = HostText(textid::kCannotLoadPage, {url, cause});
    return false;
}

#pragma once
// One scripted answer of the canned HTTP server (CannedServer.h) and the
// requests it records.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivtest {

// A request as the server received it: its lines exactly as sent, without
// their line ends.
struct RecordedRequest {
    std::string requestLine;
    std::vector<std::string> headerLines;
    int connection = 0;  // which accepted connection it came on (0, 1, ...)

    std::string Method() const;
    bool HasLine(std::string_view line) const;
    // The first value of a header (name compared without case), if present.
    std::optional<std::string> Header(std::string_view name) const;
};

struct CannedResponse {
    static constexpr std::size_t kAll = static_cast<std::size_t>(-1);
    enum class Ending {
        KeepAlive,  // the connection stays open for the next request
        Close,      // the server closes it (FIN)
        Reset,      // the server aborts it (RST: SO_LINGER 0, then close)
    };

    int status = 200;
    std::vector<std::string> headers;  // "Name: value", sent in this order
    std::string body;
    bool autoContentLength = true;     // adds Content-Length unless `headers` has one
    bool honourRange = false;          // answers "Range: bytes=N-" / "bytes=N-M" with 206
    int headDelayMs = 0;               // waits before answering at all
    std::size_t bodyBytesSent = kAll;  // fewer: the connection ends after them
    std::size_t stallAfter = kAll;     // body bytes sent before a stall
    int stallMs = 0;                   // -1: until the server stops
    Ending ending = Ending::KeepAlive;
    std::optional<std::string> raw;  // exact bytes instead of a composed answer
    // A gate: 407 (not consumed) until a request carries these proxy
    // credentials, then the gate is passed and the next answer serves.
    std::optional<std::pair<std::string, std::string>> proxyCredentials;

    static CannedResponse Ok(std::string body,
                             std::string contentType = "application/octet-stream");
    static CannedResponse Status(int status);
    static CannedResponse Html(std::string body);
    static CannedResponse Redirect(int status, std::string location);
    static CannedResponse Raw(std::string bytes, Ending ending = Ending::Close);
    // Aborts the connection without answering.
    static CannedResponse Reset();
    static CannedResponse ProxyAuthGate(std::string user, std::string password);
    // Whole content with Range support and Last-Modified.
    static CannedResponse File(std::string content, std::string lastModified);

    // The bytes to send for `request`: the head (empty for raw), and the body
    // to send (already cut to the range; empty for HEAD).
    struct Wire {
        std::string head;
        std::string body;
    };
    Wire Compose(const RecordedRequest& request) const;
};

std::string Base64(std::string_view bytes);

}  // namespace kivtest

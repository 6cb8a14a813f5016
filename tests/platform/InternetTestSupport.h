#pragma once
// Shared pieces of the internet tests: a clean proxy environment, opening a
// request from a URL, and reading a whole body.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/InternetException.h"
#include "platform/InternetSession.h"
#include "platform/InternetUrl.h"

namespace inettest {

constexpr win::DWORD kTransferFlags = 0xA4000000u;  // reload, existing connect, no cache write
constexpr const char* kUserAgentLine = "User-Agent: Kiv Downloader\r\n";

// Sets (or with null removes) a variable for the scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            saved_ = old;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() {
        saved_ ? setenv(name_.c_str(), saved_->c_str(), 1) : unsetenv(name_.c_str());
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// No proxy and no extra CA unless a test sets one: requests go straight to
// the test's own server whatever the machine's environment says.
class CleanInternetEnvironment : public ::testing::Test {
protected:
    CleanInternetEnvironment() {
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                 "ALL_PROXY", "no_proxy", "NO_PROXY", "KIVDL_EXTRA_CA_FILE"}) {
            cleared_.push_back(std::make_unique<ScopedVariable>(name, nullptr));
        }
    }

private:
    std::vector<std::unique_ptr<ScopedVariable>> cleared_;
};

// A request with its session and connection, opened from a URL.
struct OpenedRequest {
    std::unique_ptr<win::CInternetSession> session;
    std::unique_ptr<win::CHttpConnection> connection;
    std::unique_ptr<win::CHttpFile> file;
};

inline OpenedRequest Open(const std::string& url, int verb, win::DWORD flags = kTransferFlags) {
    win::DWORD service = 0;
    std::string server, object;
    win::INTERNET_PORT port = 0;
    EXPECT_TRUE(win::ParseURL(url, service, server, object, port)) << url;
    if (service == win::AFX_INET_SERVICE_HTTPS) {
        flags |= win::INTERNET_FLAG_SECURE;
    }
    OpenedRequest request;
    request.session = std::make_unique<win::CInternetSession>();
    request.connection = request.session->GetHttpConnection(server, port);
    request.file = request.connection->OpenRequest(verb, object, flags);
    return request;
}

// The WinINet number a call throws, 0 when it does not throw.
template <class Call>
win::DWORD ThrownError(Call&& call) {
    try {
        call();
    } catch (const win::CInternetException& failure) {
        return failure.ErrorNumber();
    }
    return 0;
}

// Reads the rest of the body in pieces of `piece` bytes; fails the test on a
// time-out or cancellation.
inline std::string ReadAll(win::CHttpFile& file, std::size_t piece = 16384, int timeoutMs = 5000) {
    std::string body;
    std::vector<char> buffer(piece);
    for (;;) {
        win::ReadResult result = file.Read(buffer.data(), piece, timeoutMs);
        EXPECT_EQ(result.outcome, win::ReadOutcome::Complete);
        body.append(buffer.data(), result.count);
        if (result.outcome != win::ReadOutcome::Complete || result.count < piece) {
            return body;
        }
    }
}

inline std::string Pattern(std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        text[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    }
    return text;
}

}  // namespace inettest

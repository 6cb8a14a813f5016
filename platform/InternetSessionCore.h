#pragma once
// What a session shares with its connections and requests: libcurl's multi
// handle (which also pools the connections), the certificate bundle and the
// time-outs. Internal to the internet classes. A session and everything
// opened from it are used by one thread at a time.
#include <curl/curl.h>

#include <string>

namespace win::inet {

// libcurl's process-wide set-up, done once.
void EnsureCurlReady();

// The certificates to trust when KIVDL_EXTRA_CA_FILE names a readable file:
// the system bundle followed by that file. Empty when the variable is unset,
// empty or unreadable: libcurl then uses the system store by itself.
std::string BuildCaBundle();

class SessionCore {
public:
    SessionCore();  // throws std::bad_alloc when libcurl cannot be set up
    ~SessionCore();
    SessionCore(const SessionCore&) = delete;
    SessionCore& operator=(const SessionCore&) = delete;

    CURLM* Multi() const { return multi_; }
    const std::string& CaBundle() const { return caBundle_; }

    long connectTimeoutMs = 60000;  // WinINet's default
    long receiveTimeoutMs = 30000;  // WinINet's default

    // Connections kept to one server and open in all; requests beyond them
    // wait for a connection of the pool.
    void LimitConnections(long perHost, long total);

private:
    CURLM* multi_ = nullptr;
    std::string caBundle_;
};

}  // namespace win::inet

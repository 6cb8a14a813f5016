#pragma once
// What a session shares with its connections and requests: libcurl's multi
// handle (which also pools the connections), the run's cookie jar (in
// memory only, never flushed to a file), the extra header lines, the
// certificate bundle and the time-outs. Internal to the internet classes. A session and everything
// opened from it are used by one thread at a time.
#include <curl/curl.h>

#include <array>
#include <mutex>
#include <string>
#include <vector>

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
    // The run's one cookie jar: the user's cookies, then what servers set.
    CURLSH* CookieShare() const { return share_; }
    const std::vector<std::string>& ExtraHeaders() const { return extraHeaders_; }
    const std::string& CaBundle() const { return caBundle_; }

    long connectTimeoutMs = 60000;  // WinINet's default
    long receiveTimeoutMs = 30000;  // WinINet's default

    // Connections kept to one server and open in all; requests beyond them
    // wait for a connection of the pool.
    void LimitConnections(long perHost, long total);

private:
    void LoadCookies();
    static void LockShare(CURL*, curl_lock_data data, curl_lock_access, void* self);
    static void UnlockShare(CURL*, curl_lock_data data, void* self);

    CURLM* multi_ = nullptr;
    CURLSH* share_ = nullptr;
    // Requests of the session may run on more than one thread: the jar is
    // guarded, one lock for each kind of data libcurl shares.
    std::array<std::mutex, CURL_LOCK_DATA_LAST> shareLocks_;
    std::vector<std::string> extraHeaders_;
    std::string caBundle_;
};

}  // namespace win::inet

#include "platform/InternetSessionCore.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>

#include "platform/RunCredentials.h"

namespace win::inet {

namespace {

// What browsers keep to one server, and a bound on the whole run's sockets.
constexpr long kConnectionsPerHost = 6;
constexpr long kConnectionsInAll = 8;

constexpr const char* kFallbackSystemBundle = "/etc/ssl/certs/ca-certificates.crt";

// The bundle libcurl was built to trust.
std::string SystemBundlePath() {
    std::string path = kFallbackSystemBundle;
    if (CURL* easy = curl_easy_init()) {
        char* builtIn = nullptr;
        if (curl_easy_getinfo(easy, CURLINFO_CAINFO, &builtIn) == CURLE_OK && builtIn) {
            path = builtIn;
        }
        curl_easy_cleanup(easy);
    }
    return path;
}

// Reads a file named by its native path; false when it cannot be read.
bool ReadNativeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

void EnsureCurlReady() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string BuildCaBundle() {
    const char* extraPath = std::getenv("KIVDL_EXTRA_CA_FILE");
    std::string extra;
    if (!extraPath || !*extraPath || !ReadNativeFile(extraPath, extra) || extra.empty()) {
        return {};
    }
    std::string bundle;
    ReadNativeFile(SystemBundlePath(), bundle);  // a system without a bundle trusts only the extra
    if (!bundle.empty() && bundle.back() != '\n') {
        bundle += '\n';
    }
    return bundle + extra;
}

SessionCore::SessionCore() {
    EnsureCurlReady();
    multi_ = curl_multi_init();
    if (!multi_) {
        throw std::bad_alloc();
    }
    caBundle_ = BuildCaBundle();
    share_ = curl_share_init();
    if (!share_ || curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &SessionCore::LockShare) != CURLSHE_OK ||
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &SessionCore::UnlockShare) != CURLSHE_OK ||
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this) != CURLSHE_OK ||
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) != CURLSHE_OK) {
        curl_share_cleanup(share_);
        curl_multi_cleanup(multi_);
        throw std::bad_alloc();
    }
    LoadCookies();
    LimitConnections(kConnectionsPerHost, kConnectionsInAll);
}

void SessionCore::LimitConnections(long perHost, long total) {
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, perHost);
    curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, total);
}

void SessionCore::LockShare(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<SessionCore*>(self)->shareLocks_.at(static_cast<std::size_t>(data)).lock();
}

void SessionCore::UnlockShare(CURL*, curl_lock_data data, void* self) {
    static_cast<SessionCore*>(self)->shareLocks_.at(static_cast<std::size_t>(data)).unlock();
}

// The jar lives in the share handle: each request's handle joins it, so a
// cookie a server sets for one file goes with the next, as in a browser.
void SessionCore::LoadCookies() {
    RunCredentials credentials = CurrentRunCredentials();
    extraHeaders_ = std::move(credentials.headers);
    CURL* loader = curl_easy_init();
    if (!loader) throw std::bad_alloc();
    curl_easy_setopt(loader, CURLOPT_SHARE, share_);
    curl_easy_setopt(loader, CURLOPT_COOKIEFILE, "");  // the engine on, no file read
    for (const SessionCookie& cookie : credentials.cookies) {
        std::string line = CookieEngineLine(cookie);
        curl_easy_setopt(loader, CURLOPT_COOKIELIST, line.c_str());
        std::fill(line.begin(), line.end(), '\0');
    }
    curl_easy_cleanup(loader);  // no CURLOPT_COOKIEJAR: nothing is written
}

SessionCore::~SessionCore() {
    curl_multi_cleanup(multi_);
    curl_share_cleanup(share_);
}

}  // namespace win::inet

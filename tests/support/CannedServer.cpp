#include "tests/support/CannedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "tests/support/CannedSocket.h"

namespace kivtest {

namespace {

constexpr int kIdleMs = 10000;
constexpr std::size_t kLongestHead = 65536;

// Splits a request head (without its blank line) into the recorded lines.
RecordedRequest ParseHead(std::string_view head, int connection) {
    RecordedRequest request;
    request.connection = connection;
    std::size_t start = 0;
    bool first = true;
    while (start <= head.size()) {
        std::size_t end = head.find("\r\n", start);
        if (end == std::string_view::npos) {
            end = head.size();
        }
        std::string line(head.substr(start, end - start));
        if (first) {
            request.requestLine = line;
            first = false;
        } else if (!line.empty()) {
            request.headerLines.push_back(line);
        }
        start = end + 2;
    }
    return request;
}

bool WantsClose(const RecordedRequest& request) {
    std::optional<std::string> connection = request.Header("Connection");
    bool http10 = request.requestLine.ends_with("HTTP/1.0");
    if (connection && (*connection == "close" || *connection == "Close")) {
        return true;
    }
    return http10 && !(connection && (*connection == "keep-alive" || *connection == "Keep-Alive"));
}

}  // namespace

struct CannedServer::State {
    int listenFd = -1;
    int stopFd = -1;
    std::uint16_t port = 0;
    SSL_CTX* tls = nullptr;
    std::thread acceptThread;
    std::vector<std::thread> workers;  // touched by the accept thread, then by Stop

    mutable std::mutex mutex;
    std::deque<CannedResponse> queue;
    std::optional<CannedResponse> fallback;
    std::optional<std::string> proxyAuthorization;  // "Basic ..." every request must carry
    std::vector<RecordedRequest> requests;
    int connections = 0;
    bool stopped = false;
};

CannedServer::CannedServer() : state_(std::make_shared<State>()) {
    Listen();
}

CannedServer::CannedServer(const TlsOptions& tls) : state_(std::make_shared<State>()) {
    state_->tls = MakeServerContext(tls.certificate, tls.requireClientCert);
    Listen();
}

CannedServer::~CannedServer() {
    Stop();
}

void CannedServer::Listen() {
    std::signal(SIGPIPE, SIG_IGN);  // a client may go away while TLS writes
    state_->stopFd = eventfd(0, EFD_CLOEXEC);
    state_->listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (state_->stopFd < 0 || state_->listenFd < 0 ||
        bind(state_->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(state_->listenFd, 16) != 0 ||
        getsockname(state_->listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("canned server: cannot listen on 127.0.0.1");
    }
    state_->port = ntohs(address.sin_port);
    state_->acceptThread = std::thread([this] { AcceptLoop(); });
}

std::uint16_t CannedServer::Port() const {
    return state_->port;
}

std::string CannedServer::Url(std::string_view path, std::string_view host) const {
    return std::string(state_->tls ? "https://" : "http://") + std::string(host) + ":" +
           std::to_string(state_->port) + std::string(path);
}

void CannedServer::Enqueue(CannedResponse response) {
    std::lock_guard lock(state_->mutex);
    state_->queue.push_back(std::move(response));
}

void CannedServer::RequireProxyCredentials(std::string user, std::string password) {
    std::lock_guard lock(state_->mutex);
    state_->proxyAuthorization = "Basic " + Base64(user + ":" + password);
}

void CannedServer::SetDefault(CannedResponse response) {
    std::lock_guard lock(state_->mutex);
    state_->fallback = std::move(response);
}

void CannedServer::ServeContent(std::string content, std::string lastModified) {
    SetDefault(CannedResponse::File(std::move(content), std::move(lastModified)));
}

std::vector<RecordedRequest> CannedServer::Requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

int CannedServer::ConnectionCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->connections;
}

void CannedServer::Stop() {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopped) {
            return;
        }
        state_->stopped = true;
    }
    std::uint64_t one = 1;
    if (write(state_->stopFd, &one, sizeof one) != sizeof one) {
        // eventfd writes of 8 bytes do not fail short of an overflow
    }
    if (state_->acceptThread.joinable()) {
        state_->acceptThread.join();
    }
    for (std::thread& worker : state_->workers) {
        worker.join();
    }
    close(state_->listenFd);
    close(state_->stopFd);
    SSL_CTX_free(state_->tls);
}

void CannedServer::AcceptLoop() {
    for (;;) {
        pollfd entries[2] = {{state_->listenFd, POLLIN, 0}, {state_->stopFd, POLLIN, 0}};
        if (poll(entries, 2, 1000) < 0 || (entries[1].revents & POLLIN)) {
            return;
        }
        if (!(entries[0].revents & POLLIN)) {
            continue;
        }
        int fd = accept4(state_->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        int connection = 0;
        {
            std::lock_guard lock(state_->mutex);
            connection = state_->connections++;
        }
        state_->workers.emplace_back([this, fd, connection] { Serve(fd, connection); });
    }
}

void CannedServer::Serve(int fd, int connection) {
    CannedSocket socket(fd, state_->stopFd, state_->tls);
    if (!socket.Handshake()) {
        socket.DrainAndClose();
        return;
    }
    std::string received;
    for (;;) {
        std::size_t end;
        while ((end = received.find("\r\n\r\n")) == std::string::npos) {
            if (received.size() > kLongestHead || !socket.ReadSome(received, kIdleMs)) {
                return;
            }
        }
        RecordedRequest request = ParseHead(std::string_view(received).substr(0, end), connection);
        received.erase(0, end + 4);  // requests of this client carry no body
        {
            std::lock_guard lock(state_->mutex);
            state_->requests.push_back(request);
        }
        if (!Answer(socket, request)) {
            return;
        }
    }
}

CannedResponse CannedServer::Choose(const RecordedRequest& request) {
    std::lock_guard lock(state_->mutex);
    if (state_->proxyAuthorization &&
        request.Header("Proxy-Authorization") != state_->proxyAuthorization) {
        CannedResponse challenge = CannedResponse::Status(407);
        challenge.headers.push_back("Proxy-Authenticate: Basic realm=\"canned\"");
        return challenge;
    }
    auto& queue = state_->queue;
    while (!queue.empty() && queue.front().proxyCredentials) {
        const auto& [user, password] = *queue.front().proxyCredentials;
        if (request.Header("Proxy-Authorization") != "Basic " + Base64(user + ":" + password)) {
            return queue.front();  // the gate stays until it is passed
        }
        queue.pop_front();
    }
    if (!queue.empty()) {
        CannedResponse next = std::move(queue.front());
        queue.pop_front();
        return next;
    }
    return state_->fallback ? *state_->fallback : CannedResponse::Status(404);
}

// Sends the answer; false when the connection is over.
bool CannedServer::Answer(CannedSocket& socket, const RecordedRequest& request) {
    CannedResponse response = Choose(request);
    if (response.headDelayMs != 0 && !socket.Pause(response.headDelayMs)) {
        return false;
    }
    CannedResponse::Wire wire = response.Compose(request);
    const std::size_t limit = std::min(wire.body.size(), response.bodyBytesSent);
    const bool stalls = response.stallMs != 0 && response.stallAfter <= limit;
    const std::size_t stallAt = stalls ? response.stallAfter : limit;
    if (!socket.WriteAll(wire.head) ||
        !socket.WriteAll(std::string_view(wire.body).substr(0, stallAt))) {
        return false;
    }
    if (stalls && !socket.Pause(response.stallMs)) {
        return false;
    }
    if (!socket.WriteAll(std::string_view(wire.body).substr(stallAt, limit - stallAt))) {
        return false;
    }
    CannedResponse::Ending ending = response.ending;
    if (ending == CannedResponse::Ending::KeepAlive &&
        (limit < wire.body.size() || WantsClose(request))) {
        ending = CannedResponse::Ending::Close;
    }
    if (ending != CannedResponse::Ending::KeepAlive) {
        socket.Finish(ending);
        return false;
    }
    return true;
}

}  // namespace kivtest

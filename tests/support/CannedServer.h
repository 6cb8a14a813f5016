#pragma once
// A real HTTP/1.1 server on 127.0.0.1 (an ephemeral port) for network tests.
// Each request takes the next scripted answer from a queue (CannedResponse);
// with the queue empty it serves the default answer (ServeContent), else 404.
// Every request's lines are recorded exactly as sent. Connections are kept
// alive unless an answer ends them. A TLS server presents a certificate made
// at test time (CannedTls.h).
//
// Nothing here can hang a test: accepts, reads and stalls poll the stop
// descriptor, and idle connections close after 10 s. Stop (also run by the
// destructor) ends every connection and joins every thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/CannedResponse.h"
#include "tests/support/CannedTls.h"

namespace kivtest {

class CannedServer {
public:
    struct TlsOptions {
        TestCertificate certificate;
        bool requireClientCert = false;
    };

    CannedServer();                                // plain HTTP
    explicit CannedServer(const TlsOptions& tls);  // HTTPS
    ~CannedServer();
    CannedServer(const CannedServer&) = delete;
    CannedServer& operator=(const CannedServer&) = delete;

    std::uint16_t Port() const;
    // "http://127.0.0.1:<port><path>" (https for a TLS server); `host` may
    // name the server otherwise, e.g. "localhost".
    std::string Url(std::string_view path, std::string_view host = "127.0.0.1") const;

    void Enqueue(CannedResponse response);
    // As a proxy that wants these credentials with every request: any request
    // without them is answered 407 and takes nothing from the queue.
    void RequireProxyCredentials(std::string user, std::string password);
    void SetDefault(CannedResponse response);
    // The default answer: `content` with Range support and Last-Modified.
    void ServeContent(std::string content, std::string lastModified);

    std::vector<RecordedRequest> Requests() const;
    int ConnectionCount() const;
    void Stop();

private:
    struct State;
    void Listen();
    void AcceptLoop();
    void Serve(int fd, int connection);
    bool Answer(class CannedSocket& socket, const RecordedRequest& request);
    CannedResponse Choose(const RecordedRequest& request);

    std::shared_ptr<State> state_;
};

}  // namespace kivtest

#pragma once
// Certificates made at test time for the canned server's TLS mode, and the
// server context that presents them.
#include <openssl/ssl.h>

#include <string>
#include <vector>

namespace kivtest {

struct TestCertificate {
    std::string certPem;
    std::string keyPem;
};

struct CertificateOptions {
    std::vector<std::string> altNames = {"DNS:localhost", "IP:127.0.0.1"};
    long validFromDays = -1;  // relative to now
    long validToDays = 30;
};

// A self-signed certificate (P-256 key) usable as its own CA; throws
// std::runtime_error when OpenSSL fails.
TestCertificate MakeSelfSignedCertificate(const CertificateOptions& options = {});

// A server context presenting `certificate`; with `requireClientCert` the
// handshake fails for a client without a certificate. Throws std::runtime_error.
SSL_CTX* MakeServerContext(const TestCertificate& certificate, bool requireClientCert);

}  // namespace kivtest

#pragma once
// One accepted connection of the canned server, plain or TLS. Every wait is
// bounded and ends early when the server's stop descriptor becomes readable.
#include <openssl/ssl.h>

#include <string>
#include <string_view>

#include "tests/support/CannedResponse.h"

namespace kivtest {

class CannedSocket {
public:
    // Takes `fd`; `tls` (may be null for plain HTTP) is not owned.
    CannedSocket(int fd, int stopFd, SSL_CTX* tls);
    ~CannedSocket();
    CannedSocket(const CannedSocket&) = delete;
    CannedSocket& operator=(const CannedSocket&) = delete;

    bool Handshake();  // TLS only; true for plain connections
    // Appends what arrives; false at the end, on an error, a stop, or after
    // `idleMs` without data.
    bool ReadSome(std::string& into, int idleMs);
    bool WriteAll(std::string_view bytes);
    // Waits `ms` (-1: until the server stops, bounded); false when stopping.
    bool Pause(int ms);
    void Finish(CannedResponse::Ending ending);
    // After a refused handshake: lets the peer read our alert before closing.
    void DrainAndClose();

private:
    void CloseNow();

    int fd_;
    int stopFd_;
    SSL* ssl_ = nullptr;
};

}  // namespace kivtest

#pragma once
// A tinyproxy process on 127.0.0.1 for proxy tests, asking for Basic
// credentials, with its configuration in a temporary folder. The process is
// ended (and waited for, bounded) when the object goes.
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kivtest {

class TinyProxy {
public:
    static bool Installed();

    TinyProxy() = default;
    ~TinyProxy();
    TinyProxy(const TinyProxy&) = delete;
    TinyProxy& operator=(const TinyProxy&) = delete;

    // Starts it and waits (at most 5 s) until it accepts connections; false
    // with `error` set when it does not come up.
    bool Start(const std::string& user, const std::string& password, std::string& error);
    std::uint16_t Port() const { return port_; }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void Stop();

private:
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
    std::string folder_;
};

}  // namespace kivtest

#include "tests/support/TinyProxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace kivtest {

namespace {

constexpr const char* kBinary = "/usr/bin/tinyproxy";

// A port that was free a moment ago (the kernel's choice).
std::uint16_t PickFreePort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        close(fd);
    }
    return port;
}

bool Accepts(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    bool connected =
        fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return connected;
}

}  // namespace

bool TinyProxy::Installed() {
    return access(kBinary, X_OK) == 0;
}

TinyProxy::~TinyProxy() {
    Stop();
}

bool TinyProxy::Start(const std::string& user, const std::string& password, std::string& error) {
    char folderTemplate[] = "/tmp/kiv-tinyproxy-XXXXXX";
    if (!mkdtemp(folderTemplate) || (port_ = PickFreePort()) == 0) {
        error = "no temporary folder or free port";
        return false;
    }
    folder_ = folderTemplate;
    const std::string config = folder_ + "/tinyproxy.conf";
    std::ofstream(config) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 10\n"
                          << "MaxClients 8\nAllow 127.0.0.1\nLogLevel Critical\n"
                          << "LogFile \"" << folder_ << "/tinyproxy.log\"\n"
                          << "BasicAuth " << user << " " << password << "\n";
    pid_ = fork();
    if (pid_ == 0) {
        execl(kBinary, kBinary, "-d", "-c", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid_ < 0) {
        error = "fork failed";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Accepts(port_)) {
            return true;
        }
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            error = "tinyproxy exited at start";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    error = "tinyproxy did not accept connections within 5 s";
    return false;
}

void TinyProxy::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
    }
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        folder_.clear();
    }
}

}  // namespace kivtest

#include "host/BrowserChannel.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

void CloseIfOpen(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace

std::unique_ptr<CBrowserChannel> CBrowserChannel::TakeStandardStreams(std::string& error) {
    const int in = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    const int out = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in < 0 || out < 0 || nothing < 0 || ::dup2(nothing, STDIN_FILENO) < 0 ||
        ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        error = std::string("the browser's channel cannot be taken over: ") + std::strerror(errno);
        CloseIfOpen(in);
        CloseIfOpen(out);
        CloseIfOpen(nothing);
        return nullptr;
    }
    ::close(nothing);
    return std::make_unique<CBrowserChannel>(in, out);
}

CBrowserChannel::CBrowserChannel(int in, int out) : in_(in), out_(out) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) == 0) {
        stopRead_ = ends[0];
        stopWrite_ = ends[1];
    }
}

CBrowserChannel::~CBrowserChannel() {
    StopReading();
    CloseIfOpen(stopRead_);
    CloseIfOpen(stopWrite_);
    CloseIfOpen(in_);
    CloseIfOpen(out_);
}

NativeReadResult CBrowserChannel::Read(std::string& message, std::string& error, int timeoutMs) {
    return ReadNativeMessage(in_, message, error, -1, timeoutMs);
}

void CBrowserChannel::StartReading(std::function<void(std::string)> received,
                                   std::function<void(std::string)> ended) {
    if (reader_.joinable()) return;
    reader_ = std::thread([this, received = std::move(received), ended = std::move(ended)] {
        ReadLoop(received, ended);
    });
}

void CBrowserChannel::ReadLoop(const std::function<void(std::string)>& received,
                               const std::function<void(std::string)>& ended) {
    for (;;) {
        std::string message;
        std::string error;
        switch (ReadNativeMessage(in_, message, error, stopRead_)) {
            case NativeReadResult::Message:
                received(std::move(message));
                continue;
            case NativeReadResult::End:
                ended({});
                return;
            case NativeReadResult::Broken:
                ended(std::move(error));
                return;
            case NativeReadResult::Stopped:
                return;
        }
    }
}

void CBrowserChannel::StopReading() {
    if (!reader_.joinable()) return;
    const char stop = 0;
    if (stopWrite_ >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(stopWrite_, &stop, 1);
    }
    reader_.join();
}

bool CBrowserChannel::Send(std::string_view json) {
    std::lock_guard<std::mutex> one(sending_);
    return WriteNativeMessage(out_, json);
}

#include "host/NativeMessaging.h"

#include <poll.h>

#include <cerrno>
#include <cstring>

#include "platform/FdIo.h"

namespace {

struct ReadState {
    int fd;
    int stopFd;
    int timeoutMs;
    bool failed = false;
    bool stopped = false;
};

// Waits until `fd` has bytes (or its end); false when stopped or out of time.
bool WaitReadable(ReadState& state) {
    pollfd watched[2] = {{state.fd, POLLIN, 0}, {state.stopFd, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(watched, state.stopFd >= 0 ? 2 : 1, state.timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            state.failed = true;
            return false;
        }
        if (ready == 0 || (state.stopFd >= 0 && watched[1].revents != 0)) {
            state.stopped = true;
            return false;
        }
        return true;
    }
}

// Reads exactly `size` bytes; the count read before an end, a failure or a stop.
std::size_t ReadExactly(ReadState& state, char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size && WaitReadable(state)) {
        const long long got = win::ReadRetrying(state.fd, buffer + done, size - done);
        if (got < 0) state.failed = true;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace

NativeReadResult ReadNativeMessage(int fd, std::string& message, std::string& error, int stopFd,
                                   int timeoutMs) {
    message.clear();
    ReadState state{fd, stopFd, timeoutMs};
    char header[sizeof(std::uint32_t)];
    const std::size_t headerRead = ReadExactly(state, header, sizeof header);
    if (state.stopped) return NativeReadResult::Stopped;
    if (headerRead == 0 && !state.failed) return NativeReadResult::End;
    if (headerRead < sizeof header) {
        error = state.failed ? "reading from the browser failed" : "a message length was cut short";
        return NativeReadResult::Broken;
    }
    std::uint32_t length = 0;
    std::memcpy(&length, header, sizeof length);  // the machine's own byte order
    if (length > kMaxBrowserMessageBytes) {
        error = "a message of " + std::to_string(length) + " bytes is over the limit of " +
                std::to_string(kMaxBrowserMessageBytes);
        return NativeReadResult::Broken;
    }
    message.resize(length);
    if (ReadExactly(state, message.data(), length) < length) {
        message.clear();
        if (state.stopped) return NativeReadResult::Stopped;
        error = "a message was cut short";
        return NativeReadResult::Broken;
    }
    return NativeReadResult::Message;
}

bool WriteNativeMessage(int fd, std::string_view json) {
    const auto length = static_cast<std::uint32_t>(json.size());
    std::string frame(sizeof length, '\0');
    std::memcpy(frame.data(), &length, sizeof length);
    frame.append(json);
    return win::WriteAll(fd, frame.data(), frame.size()) == 0;
}

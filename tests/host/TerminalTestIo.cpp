#include "tests/host/TerminalTestIo.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>

#include "platform/Thread.h"
#include "platform/Window.h"

namespace termtest {

namespace {

int MemoryFile(const char* name) {
    const int fd = ::memfd_create(name, MFD_CLOEXEC);
    EXPECT_GE(fd, 0);
    return fd;
}

std::string ReadAll(int fd) {
    std::string bytes;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t count = ::pread(fd, buffer, sizeof buffer, offset);
        if (count <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(count));
        offset += count;
    }
    return bytes;
}

}  // namespace

CapturedTerminal::CapturedTerminal(Input input, bool isTerminal, std::size_t columns) {
    io_.out = MemoryFile("out");
    io_.err = MemoryFile("err");
    io_.liveDisplay = isTerminal;
    io_.fallbackColumns = columns;
    io_.askColumns = false;
    if (input == Input::Scripted) {
        int fds[2];
        EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        io_.in = fds[0];
        typeFd_ = fds[1];
        io_.prompt = MemoryFile("prompt");
    }
}

CapturedTerminal::~CapturedTerminal() {
    for (int fd : {io_.out, io_.err, io_.in, io_.prompt, typeFd_}) {
        if (fd >= 0) ::close(fd);
    }
}

void CapturedTerminal::Type(const std::string& text) {
    ASSERT_GE(typeFd_, 0);
    ASSERT_EQ(::write(typeFd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

void CapturedTerminal::CloseInput() {
    if (typeFd_ >= 0) ::close(typeFd_);
    typeFd_ = -1;
}

std::string CapturedTerminal::Out() const {
    return ReadAll(io_.out);
}

std::string CapturedTerminal::Err() const {
    return ReadAll(io_.err);
}

std::string CapturedTerminal::Prompts() const {
    return io_.prompt >= 0 ? ReadAll(io_.prompt) : std::string();
}

bool WaitUntil(const std::function<bool()>& done, int boundMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

win::HWND WaitForWindow(win::DWORD thread, const std::string& title) {
    win::HWND found = nullptr;
    WaitUntil([&] {
        win::EnumThreadWindows(thread, [&](win::HWND window) {
            if (win::GetWindowTextString(window) != title) return win::TRUE;
            found = window;
            return win::FALSE;
        });
        return found != nullptr;
    });
    return found;
}

AskingThread::AskingThread(std::function<int()> ask) : result_(state_->promise.get_future()) {
    thread_ = std::thread([state = state_, ask = std::move(ask)] {
        state->id = win::GetCurrentThreadId();
        state->promise.set_value(ask());
    });
    WaitUntil([this] { return state_->id != 0; });
}

AskingThread::~AskingThread() {
    // A question that never returned must not hang the remaining tests.
    if (result_.valid() &&
        result_.wait_for(std::chrono::milliseconds(kBoundMs)) != std::future_status::ready) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

win::DWORD AskingThread::Id() const {
    return state_->id;
}

int AskingThread::Result() {
    if (result_.wait_for(std::chrono::milliseconds(kBoundMs)) != std::future_status::ready) {
        ADD_FAILURE() << "the question did not return";
        return 0x7FFF;
    }
    return result_.get();
}

}  // namespace termtest

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/CopyData.h"
#include "platform/LastError.h"
#include "platform/Thread.h"
#include "tests/platform/FileTestSupport.h"
#include "tests/platform/IpcTestSupport.h"
#include "tests/platform/WindowTestSupport.h"

namespace {

using namespace win;
using filetest::ChildProcess;
using wintest::kBound;
using wintest::WindowThread;

std::span<const BYTE> Bytes(const std::string& text) {
    return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

// What the window saw of one WM_COPYDATA.
struct Delivery {
    DWORD thread = 0;
    WPARAM source = 0;
    ULONG_PTR dwData = 0;
    bool nullData = false;
    std::string bytes;
};

// A window on a thread of its own that records every WM_COPYDATA and
// answers it with dwData + 1000.
class RecordingWindow {
public:
    // With `hold`, a posted WM_APP keeps the thread in foreign code until it opens.
    explicit RecordingWindow(wintest::Gate* hold = nullptr)
        : thread_([this, hold](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
              if (message == wintest::kApp && hold != nullptr) {
                  blocked_ = true;
                  hold->Wait();
                  blocked_ = false;
                  return 0;
              }
              if (message != WM_COPYDATA) return DefWindowProc(hwnd, message, wParam, lParam);
              const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
              Delivery seen{GetCurrentThreadId(), wParam, record->dwData, record->lpData == nullptr,
                            std::string(static_cast<const char*>(record->lpData), record->cbData)};
              std::lock_guard<std::mutex> hold(mutex_);
              deliveries_.push_back(std::move(seen));
              return static_cast<LRESULT>(record->dwData + 1000);
          }) {}

    HWND Window() const { return thread_.Window(); }
    DWORD ThreadId() const { return thread_.ThreadId(); }
    std::uint32_t Number() const { return WindowToUInt32(Window()); }
    bool Blocked() const { return blocked_; }
    std::vector<Delivery> Deliveries() {
        std::lock_guard<std::mutex> hold(mutex_);
        return deliveries_;
    }

private:
    std::mutex mutex_;
    std::vector<Delivery> deliveries_;
    std::atomic<bool> blocked_{false};
    WindowThread thread_;  // last: its procedure uses the members above
};

class IpcCopyDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(window_.Number(), 0u);
        ASSERT_TRUE(receiver_.Open(window_.Window()));
    }

    ipctest::PrivateRuntimeFolder runtime_;
    RecordingWindow window_;
    CCopyDataReceiver receiver_;
};

TEST_F(IpcCopyDataTest, RecordOfAnotherProcessIsHandledOnTheWindowsThreadAndAnswered) {
    const std::uint32_t target = window_.Number();
    ChildProcess child([target](const ChildProcess::Parent&) {
        const std::string folder("C:\\Downloads\0tail", 17);
        LRESULT result = 0;
        if (!SendCopyData(target, 3, Bytes(folder), kBound, &result, 0x10042)) return 1;
        return result == 1003 ? 0 : 2;
    });
    ASSERT_EQ(child.Wait(), 0);

    const std::vector<Delivery> seen = window_.Deliveries();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].thread, window_.ThreadId());
    EXPECT_EQ(seen[0].source, 0x10042u);
    EXPECT_EQ(seen[0].dwData, 3u);
    EXPECT_EQ(seen[0].bytes, std::string("C:\\Downloads\0tail", 17));
}

// The kernel names each sender: a process cannot pass for the chosen one.
TEST_F(IpcCopyDataTest, ARestrictedReceiverTakesRecordsFromItsOwnAndTheChosenProcessOnly) {
    const std::uint32_t target = window_.Number();
    auto sendAfterWord = [target](const ChildProcess::Parent& parent) {
        parent.AwaitWord();
        LRESULT result = 0;
        if (SendCopyData(target, 7, Bytes("x"), kBound, &result)) return 0;
        return GetLastError() == ERROR_INVALID_DATA ? 1 : 2;
    };
    receiver_.AcceptOnlyFrom(0);
    ChildProcess stranger(sendAfterWord);
    stranger.Send('g');
    EXPECT_EQ(stranger.Wait(), 1) << "refused";

    ChildProcess chosen(sendAfterWord);
    receiver_.AcceptOnlyFrom(static_cast<DWORD>(chosen.Pid()));
    chosen.Send('g');
    EXPECT_EQ(chosen.Wait(), 0);
    ChildProcess another(sendAfterWord);
    another.Send('g');
    EXPECT_EQ(another.Wait(), 1);

    // This process's own threads stay welcome.
    std::thread ownThread([target] {
        LRESULT result = 0;
        EXPECT_TRUE(SendCopyData(target, 8, Bytes("y"), kBound, &result));
    });
    ownThread.join();
    const std::vector<Delivery> seen = window_.Deliveries();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].dwData, 7u);
    EXPECT_EQ(seen[1].dwData, 8u);
}

TEST_F(IpcCopyDataTest, PayloadsFromNoneToTheLimitArriveWholeAndLargerAreRefused) {
    LRESULT result = 0;
    ASSERT_TRUE(SendCopyData(window_.Number(), 3, {}, kBound, &result));
    EXPECT_EQ(result, 1003);

    std::string largest(MAX_COPYDATA_BYTES, '\0');
    for (std::size_t i = 0; i < largest.size(); ++i)
        largest[i] = static_cast<char>(i * 7 + i / 256);
    ASSERT_TRUE(SendCopyData(window_.Number(), 4, Bytes(largest), kBound, &result));
    EXPECT_EQ(result, 1004);

    const std::string tooLarge(MAX_COPYDATA_BYTES + 1, 'x');
    EXPECT_FALSE(SendCopyData(window_.Number(), 5, Bytes(tooLarge), kBound, &result));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    const std::vector<Delivery> seen = window_.Deliveries();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].nullData) << "no data: a null pointer, not a dangling one";
    EXPECT_EQ(seen[0].bytes, "");
    EXPECT_FALSE(seen[1].nullData);
    EXPECT_TRUE(seen[1].bytes == largest);
}

TEST_F(IpcCopyDataTest, AWindowOfTheSendingThreadIsCalledDirectly) {
    DWORD handledOn = 0;
    std::string seen;
    wintest::ScopedWindow own([&](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_COPYDATA) return DefWindowProc(hwnd, message, wParam, lParam);
        const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        handledOn = GetCurrentThreadId();
        seen.assign(static_cast<const char*>(record->lpData), record->cbData);
        return LRESULT{77};
    });
    CCopyDataReceiver receiver;
    ASSERT_TRUE(receiver.Open(own.Get()));
    LRESULT result = 0;
    ASSERT_TRUE(SendCopyData(WindowToUInt32(own.Get()), 4, Bytes("abc"), kBound, &result));
    EXPECT_EQ(result, 77);
    EXPECT_EQ(handledOn, GetCurrentThreadId());
    EXPECT_EQ(seen, "abc");
}

TEST_F(IpcCopyDataTest, NumbersNameOnlyLiveWindowsWithAReceiver) {
    EXPECT_EQ(WindowFromUInt32(window_.Number()), window_.Window());
    EXPECT_EQ(WindowFromUInt32(0), nullptr);

    wintest::ScopedWindow plain(wintest::Plain);
    const std::uint32_t plainNumber = WindowToUInt32(plain.Get());
    ASSERT_NE(plainNumber, 0u);
    EXPECT_EQ(WindowFromUInt32(plainNumber), nullptr) << "alive, but nobody listens for it";
    LRESULT result = 0;
    EXPECT_FALSE(SendCopyData(plainNumber, 3, {}, kBound, &result));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(SendCopyData(0, 3, {}, kBound, &result));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

    const std::uint32_t number = window_.Number();
    receiver_.Close();
    EXPECT_EQ(WindowFromUInt32(number), nullptr);
    EXPECT_FALSE(SendCopyData(number, 3, {}, kBound, &result));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

    HWND gone = plain.Get();
    DestroyWindow(gone);
    EXPECT_EQ(WindowToUInt32(gone), 0u);
    CCopyDataReceiver forGone;
    EXPECT_FALSE(forGone.Open(gone));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(IpcCopyDataTest, OneListenerPerNumberAndLeftoverSocketsAreReplaced) {
    CCopyDataReceiver second;
    EXPECT_FALSE(second.Open(window_.Window()));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    LRESULT result = 0;
    EXPECT_TRUE(SendCopyData(window_.Number(), 7, {}, kBound, &result)) << "the first still serves";

    wintest::ScopedWindow plain(wintest::Plain);
    char path[64];
    std::snprintf(path, sizeof path, "/window-%08X", WindowToUInt32(plain.Get()));
    sockaddr_un address{AF_UNIX, {}};
    std::strncpy(address.sun_path, (runtime_.Native() + path).c_str(), sizeof address.sun_path - 1);
    const int left = socket(AF_UNIX, SOCK_DGRAM, 0);
    ASSERT_EQ(bind(left, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(left);  // its file stays, as after a crash
    CCopyDataReceiver replacing;
    EXPECT_TRUE(replacing.Open(plain.Get()));
    replacing.Close();
    EXPECT_NE(access(address.sun_path, F_OK), 0) << "closing removes the socket file";
}

TEST_F(IpcCopyDataTest, SenderGivesUpOnABusyWindowAndOnOneThatWent) {
    wintest::Gate release;
    RecordingWindow busy(&release);
    CCopyDataReceiver receiver;
    ASSERT_TRUE(receiver.Open(busy.Window()));
    const std::uint32_t number = busy.Number();
    LRESULT result = 0;
    {
        wintest::GateOpener opener(release);
        ASSERT_TRUE(PostMessage(busy.Window(), wintest::kApp, 0, 0));
        ASSERT_TRUE(wintest::Eventually([&busy] { return busy.Blocked(); }));
        EXPECT_FALSE(SendCopyData(number, 3, Bytes("late"), 100, &result));
        EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    }
    EXPECT_TRUE(wintest::Eventually([&busy] { return busy.Deliveries().size() == 1; }))
        << "handled once the thread is back, unseen by the sender";

    SendMessage(busy.Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(SendCopyData(number, 3, Bytes("gone"), kBound, &result));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(busy.Deliveries().size(), 1u);
}

}  // namespace

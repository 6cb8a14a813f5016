#pragma once
// A control for the page-integration and after-download tests: plain fields
// for its state, and fakes for the browser, the launcher and the boxes that
// record what they were asked.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "control/PageIntegration.h"
#include "platform/Event.h"
#include "platform/Message.h"
#include "platform/Thread.h"
#include "platform/Wait.h"
#include "platform/Window.h"

namespace pagetest {

class FakeBrowserHost : public IBrowserHost {
public:
    // HRESULTs of the five connection steps, in order.
    std::int32_t stepResults[5] = {0, 0, 0, 0, 0};
    bool clientSite = true;
    bool leaveQuestionOpen = false;
    bool canOpenWindow = true;
    std::vector<std::string> calls;  // every call made, by name
    std::vector<std::string> leaveTexts;
    std::vector<std::string> openedUrls;

    bool HasClientSite() override { return clientSite; }
    std::int32_t QueryServiceProvider() override { return Step("provider", 0); }
    std::int32_t QueryBrowser() override { return Step("browser", 1); }
    std::int32_t QueryDocument() override { return Step("document", 2); }
    std::int32_t QueryPageWindow() override { return Step("window", 3); }
    std::int32_t ConnectPageEvents(IPageEvents&, std::uint32_t& cookie) override {
        cookie = 42;
        return Step("events", 4);
    }
    void DisconnectPageEvents(std::uint32_t) override { calls.push_back("disconnect"); }
    win::HWND TopLevelWindow() override { return nullptr; }
    void BringToForeground() override { calls.push_back("foreground"); }
    bool SetBeforeUnloadText(const std::string& text) override {
        leaveTexts.push_back(text);
        return true;
    }
    bool IsLeaveQuestionOpen() override { return leaveQuestionOpen; }
    bool Quit() override {
        calls.push_back("quit");
        return true;
    }
    bool OpenBrowserWindow(const std::string& url) override {
        openedUrls.push_back(url);
        return canOpenWindow;
    }

private:
    std::int32_t Step(const char* name, int index) {
        calls.push_back(name);
        return stepResults[index];
    }
};

class FakeLauncher : public ILauncher {
public:
    std::vector<std::vector<std::string>> launched;
    std::vector<std::string>* log = nullptr;  // shared order of events, if set
    bool starts = true;

    bool Launch(const std::vector<std::string>& argv) override {
        launched.push_back(argv);
        if (log != nullptr) log->push_back("launch");
        return starts;
    }
};

struct ShownMessage {
    unsigned id;
    unsigned style;
};

class FakePageContext : public IPageContext {
public:
    ErrorState error;
    bool aborted = false;
    std::string caption = "Kiv Downloader";
    std::string destinationFolder = "Z:\\home\\user\\Downloads";
    bool transferActive = false;
    std::atomic<bool> leavePromptPending{false};
    bool pageClosing = false;
    ContentList items;
    std::vector<std::pair<std::string, std::string>> parameters;
    win::HWND dialogWindow = nullptr;
    bool dialogCreated = true;
    win::DWORD dialogThreadId = win::GetCurrentThreadId();
    win::DWORD workerThreadId = 0;
    bool hasAssistant = false;
    std::vector<std::uint32_t> assistantWaits;
    int pauseReleases = 0;
    std::mutex chunkLock;
    int instanceCloses = 0;
    win::HWND controlWindow = nullptr;
    std::vector<ShownMessage> shown;
    std::vector<std::string> log;  // order of boxes, launches and dialog sends
    std::function<void()> onInstanceClose;
    FakeBrowserHost browser;
    FakeLauncher launcher;
    ControlServices services{nullptr, nullptr, nullptr, &browser, &launcher};

    FakePageContext() { launcher.log = &log; }

    ErrorState& Error() override { return error; }
    bool Aborted() const override { return aborted; }
    const std::string& Caption() const override { return caption; }
    const std::string& DestinationFolder() const override { return destinationFolder; }
    bool TransferActive() const override { return transferActive; }
    std::atomic<bool>& LeavePromptPending() override { return leavePromptPending; }
    bool PageClosing() const override { return pageClosing; }
    void SetPageClosing() override { pageClosing = true; }
    ContentList& Items() override { return items; }
    std::string LookupText(const std::string& name) const override {
        for (const auto& [key, value] : parameters) {
            if (key == name) return value;
        }
        return std::string();
    }
    win::HWND DialogWindow() const override {
        return win::IsWindow(dialogWindow) ? dialogWindow : nullptr;
    }
    bool DialogCreated() const override { return dialogWindow != nullptr && dialogCreated; }
    win::DWORD DialogThreadId() const override { return dialogThreadId; }
    LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (!win::IsWindow(dialogWindow)) return 0;
        log.push_back("dialog " + std::to_string(message));
        return win::SendMessage(dialogWindow, message, wParam, lParam);
    }
    win::DWORD WorkerThreadId() const override { return workerThreadId; }
    bool HasAssistant() const override { return hasAssistant; }
    bool WaitForAssistantEnd(std::uint32_t timeoutMs) override {
        assistantWaits.push_back(timeoutMs);
        return true;
    }
    void ReleasePauseMutex() override { ++pauseReleases; }
    std::mutex& ChunkLock() override { return chunkLock; }
    void CloseInstanceMutex() override {
        ++instanceCloses;
        if (onInstanceClose) onInstanceClose();
    }
    win::HWND ControlWindow() const override { return controlWindow; }
    bool ControlWindowExists() const override { return win::IsWindow(controlWindow) != 0; }
    int ShowMessageId(unsigned id, unsigned style) override {
        shown.push_back({id, style});
        log.push_back("box " + std::to_string(id));
        return 1;
    }
    const ControlServices& Services() const override { return services; }
};

// True when another thread cannot take the lock now: this thread holds it.
inline bool HeldElsewhere(std::mutex& lock) {
    bool taken = false;
    std::thread probe([&] {
        if (lock.try_lock()) {
            taken = true;
            lock.unlock();
        }
    });
    probe.join();
    return !taken;
}

// Top-level windows with the given titles, made on the calling thread; each
// counts the MBM_DISMISS it gets and closes on WM_CLOSE.
class TitledWindows {
public:
    explicit TitledWindows(const std::vector<std::string>& titles) : dismissals_(titles.size()) {
        for (std::size_t index = 0; index < titles.size(); ++index) {
            windows_.push_back(win::CreateWindow(
                [this, index](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                    if (message == MBM_DISMISS) ++dismissals_[index];
                    return win::DefWindowProc(hwnd, message, wParam, lParam);
                },
                titles[index], win::WS_VISIBLE));
        }
    }
    ~TitledWindows() {
        for (win::HWND window : windows_) {
            if (win::IsWindow(window)) win::DestroyWindow(window);
        }
    }
    TitledWindows(const TitledWindows&) = delete;
    TitledWindows& operator=(const TitledWindows&) = delete;

    win::HWND Window(std::size_t index) const { return windows_[index]; }
    int Dismissals(std::size_t index) const { return dismissals_[index].load(); }
    bool Alive(std::size_t index) const { return win::IsWindow(windows_[index]) != 0; }

private:
    std::vector<std::atomic<int>> dismissals_;
    std::vector<win::HWND> windows_;
};

// TitledWindows on a thread of their own, which serves its messages until
// the object goes.
class WindowsThread {
public:
    explicit WindowsThread(std::vector<std::string> titles) {
        ready_.Create(true, false);
        thread_.Create([this, titles = std::move(titles)] {
            windows_ = std::make_unique<TitledWindows>(titles);
            ready_.Set();
            win::MSG msg;
            while (win::GetMessage(&msg) > 0) win::DispatchMessage(&msg);
            windows_.reset();
            return 0u;
        });
        EXPECT_EQ(ready_.Wait(5000), win::WAIT_OBJECT_0);
    }
    ~WindowsThread() {
        win::PostThreadMessage(thread_.Id(), win::WM_QUIT, 0, 0);
        EXPECT_EQ(thread_.Wait(5000), win::WAIT_OBJECT_0);
    }
    WindowsThread(const WindowsThread&) = delete;
    WindowsThread& operator=(const WindowsThread&) = delete;

    win::DWORD ThreadId() const { return thread_.Id(); }
    const TitledWindows& Windows() const { return *windows_; }

private:
    win::CEvent ready_;
    win::CThread thread_;
    std::unique_ptr<TitledWindows> windows_;
};

// Handles the calling thread's queued messages until `done` or 5 s pass.
inline bool PumpUntil(const std::function<bool()>& done) {
    for (int round = 0; round < 1000; ++round) {
        win::MSG msg;
        while (win::PeekMessage(&msg, win::PM_REMOVE)) win::DispatchMessage(&msg);
        if (done()) return true;
        win::Sleep(5);
    }
    return false;
}

}  // namespace pagetest

#pragma once
// A control for the page and after-download tests: plain fields for its
// state, and fakes of the browser and the launcher that record their calls.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
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

using Argv = std::vector<std::string>;

class FakeBrowserHost : public kivcontrol::IBrowserHost {
public:
    std::int32_t stepResults[5] = {};  // HRESULTs of the connection steps
    bool clientSite = true, leaveQuestionOpen = false, canOpenWindow = true;
    Argv calls, leaveTexts, openedUrls;

    bool HasClientSite() override { return clientSite; }
    std::int32_t QueryServiceProvider() override { return Step("provider", 0); }
    std::int32_t QueryBrowser() override { return Step("browser", 1); }
    std::int32_t QueryDocument() override { return Step("document", 2); }
    std::int32_t QueryPageWindow() override { return Step("window", 3); }
    std::int32_t ConnectPageEvents(kivcontrol::IPageEvents&, std::uint32_t& cookie) override {
        cookie = 42;
        return Step("events", 4);
    }
    void DisconnectPageEvents(std::uint32_t) override {}
    win::HWND TopLevelWindow() override { return nullptr; }
    void BringToForeground() override { calls.push_back("foreground"); }
    bool SetBeforeUnloadText(const std::string& text) override {
        leaveTexts.push_back(text);
        return true;
    }
    bool IsLeaveQuestionOpen() override { return leaveQuestionOpen; }
    bool Quit() override { return Step("quit", -1) == 0; }
    bool OpenBrowserWindow(const std::string& url) override {
        openedUrls.push_back(url);
        return canOpenWindow;
    }

private:
    std::int32_t Step(const char* name, int index) {
        calls.push_back(name);
        return index < 0 ? 0 : stepResults[index];
    }
};

class FakeLauncher : public kivcontrol::ILauncher {
public:
    std::vector<Argv> launched;
    Argv* log = nullptr;
    bool starts = true;
    bool Launch(const Argv& argv) override {
        launched.push_back(argv);
        if (log != nullptr) log->push_back("launch");
        return starts;
    }
};

// True when another thread cannot take the lock: the caller's thread holds it.
inline bool HeldElsewhere(std::mutex& lock) {
    bool taken = false;
    std::thread([&] { taken = lock.try_lock() && (lock.unlock(), true); }).join();
    return !taken;
}

class FakePageContext : public kivcontrol::IPageContext {
public:
    kivtransfer::ErrorState error;
    bool aborted = false, transferActive = false, pageClosing = false;
    bool dialogCreated = true, hasAssistant = false;
    std::string caption = "Kiv Downloader", destinationFolder = "Z:\\home\\user\\Downloads";
    std::atomic<bool> leavePromptPending{false};
    kivtransfer::ContentList items;
    std::map<std::string, std::string> parameters;
    win::HWND dialogWindow = nullptr, controlWindow = nullptr;
    win::DWORD dialogThreadId = 0, workerThreadId = 0;
    std::vector<std::uint32_t> assistantWaits;
    int pauseReleases = 0, instanceCloses = 0;
    std::mutex chunkLock;
    Argv log;  // boxes, launches, cancel signals and mutex closes, in order
    FakeBrowserHost browser;
    FakeLauncher launcher;
    kivcontrol::ControlServices services;

    FakePageContext() {
        services.browser = &browser;
        services.launcher = &launcher;
        launcher.log = &log;
    }
    kivtransfer::ErrorState& Error() override { return error; }
    bool Aborted() const override { return aborted; }
    const std::string& Caption() const override { return caption; }
    const std::string& DestinationFolder() const override { return destinationFolder; }
    bool TransferActive() const override { return transferActive; }
    void SetLeavePromptPending() override { leavePromptPending = true; }
    bool PageClosing() const override { return pageClosing; }
    void SetPageClosing() override { pageClosing = true; }
    kivtransfer::ContentList& Items() override { return items; }
    std::string LookupText(const std::string& name) const override {
        auto found = parameters.find(name);
        return found == parameters.end() ? std::string() : found->second;
    }
    win::HWND DialogWindow() const override {
        return win::IsWindow(dialogWindow) ? dialogWindow : nullptr;
    }
    bool DialogCreated() const override { return dialogWindow != nullptr && dialogCreated; }
    win::DWORD DialogThreadId() const override { return dialogThreadId; }
    LRESULT SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) override {
        log.push_back(HeldElsewhere(chunkLock) ? "cancel (chunk held)" : "cancel");
        return win::IsWindow(dialogWindow) ? win::SendMessage(dialogWindow, message, wParam, lParam)
                                           : 0;
    }
    win::DWORD WorkerThreadId() const override { return workerThreadId; }
    bool HasAssistant() const override { return hasAssistant; }
    bool WaitForAssistantEnd(std::uint32_t timeoutMs) override {
        assistantWaits.push_back(timeoutMs);
        return true;
    }
    void ReleasePauseMutex() override { ++pauseReleases; }
    std::unique_lock<std::mutex> HoldChunkLock() override { return std::unique_lock(chunkLock); }
    void CloseInstanceMutex() override {
        ++instanceCloses;
        log.push_back(HeldElsewhere(chunkLock) ? "close mutex (chunk held)" : "close mutex");
    }
    win::HWND ControlWindow() const override { return controlWindow; }
    bool ControlWindowExists() const override { return win::IsWindow(controlWindow) != 0; }
    int ShowMessageId(unsigned id, unsigned style) override {
        log.push_back("box " + std::to_string(id) + " style " + std::to_string(style));
        return 1;
    }
    int ShowMessage(const std::string& text, unsigned style) override {
        log.push_back("box " + text + " style " + std::to_string(style));
        return 1;
    }
    const kivcontrol::ControlServices& Services() const override { return services; }
};

// Top-level windows with the given titles on a thread of their own, which
// serves their messages and counts the application messages each one gets.
class WindowsThread {
public:
    explicit WindowsThread(std::vector<std::string> titles) : windows_(titles.size()) {
        ready_.Create(true, false);
        thread_.Create([this, titles = std::move(titles)] {
            for (std::size_t i = 0; i < titles.size(); ++i) windows_[i] = Make(i, titles[i]);
            ready_.Set();
            win::MSG msg;
            while (win::GetMessage(&msg) > 0) win::DispatchMessage(&msg);
            return 0u;  // the thread's end destroys its windows
        });
        EXPECT_EQ(ready_.Wait(5000), win::WAIT_OBJECT_0);
    }
    ~WindowsThread() {
        win::PostThreadMessage(thread_.Id(), win::WM_QUIT, 0, 0);
        EXPECT_EQ(thread_.Wait(5000), win::WAIT_OBJECT_0);
    }

    win::DWORD ThreadId() const { return thread_.Id(); }
    win::HWND Window(std::size_t i) const { return windows_[i]; }
    bool Alive(std::size_t i) const { return win::IsWindow(windows_[i]) != 0; }
    int Count(std::size_t i, UINT message) {
        std::lock_guard<std::mutex> hold(guard_);
        return counts_[{i, message}];
    }
    // Polls up to 5 s for the window to be destroyed.
    bool GoneSoon(std::size_t i) const {
        for (int round = 0; round < 500 && Alive(i); ++round) win::Sleep(10);
        return !Alive(i);
    }

private:
    win::HWND Make(std::size_t i, const std::string& title) {
        return win::CreateWindow(
            [this, i](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
                if (message >= WM_APP) {
                    std::lock_guard<std::mutex> hold(guard_);
                    ++counts_[{i, message}];
                }
                return win::DefWindowProc(hwnd, message, wParam, lParam);
            },
            title, win::WS_VISIBLE);
    }

    std::vector<win::HWND> windows_;
    std::mutex guard_;
    std::map<std::pair<std::size_t, UINT>, int> counts_;
    win::CEvent ready_;
    win::CThread thread_;
};

}  // namespace pagetest

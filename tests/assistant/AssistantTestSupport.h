#pragma once
// For the assistant client's tests: private XDG folders (so the work file,
// the runtime folder and the version file are the test's own), the
// protected layout switched on, an owner that handles replies the way the
// control does, and bounded ways to let a worker wait while this thread
// serves the windows.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "assistant/AssistantOwner.h"
#include "assistant/AssistantReply.h"
#include "assistant/KivDownloadAssistant.h"
#include "env/Application.h"
#include "env/Locations.h"
#include "platform/Event.h"
#include "platform/Message.h"
#include "platform/NamedEventBackend.h"
#include "platform/NativePath.h"
#include "platform/ProcessSettings.h"
#include "platform/Thread.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "tests/platform/CoreTestSupport.h"

namespace assistanttest {

constexpr win::DWORD kBound = 10000;  // ms: far longer than any correct step needs
constexpr win::UINT kAssistantEnded = 0x8000 + 4;

// Every folder the client or an assistant it starts may touch, below one
// temporary folder; the protected layout is on. All undone afterwards.
class PrivateEnvironment {
public:
    PrivateEnvironment()
        : runtime_("XDG_RUNTIME_DIR", Made("run")),
          cache_("XDG_CACHE_HOME", Made("cache")),
          state_("XDG_STATE_HOME", Made("state")),
          config_("XDG_CONFIG_HOME", Made("config")),
          tmp_("TMPDIR", Made("tmp")) {
        SetLayout(true);
    }
    ~PrivateEnvironment() {
        SetLayout(false);
        env::TheApp().ResetForTests();
    }

    static void SetLayout(bool protectedLayout) {
        win::SetProtectedLayout(protectedLayout);
        env::ResetPlatformTestForTests();
    }
    std::string Native(const std::string& child) const { return temp_.Path() + "/" + child; }
    static std::string Windows(const std::string& native) {
        std::string path;
        EXPECT_TRUE(win::FromNativePath(native, path));
        return path;
    }
    // Where the protected layout keeps the work file.
    std::string WorkFile() const { return Native("cache/Temp/Low/dlcwork.tmp"); }

private:
    std::string Made(const char* child) {
        const std::string path = Native(child);
        std::filesystem::create_directories(path);
        return path;
    }

    coretest::TempFolder temp_;
    coretest::ScopedEnv runtime_, cache_, state_, config_, tmp_;
};

// The control's part of the link, reduced to what it records: the replies
// as the control's handler would take them, the file error boxes and the
// messages its window receives. Its window belongs to the creating thread.
class TestOwner : public kivassistant::IAssistantOwner {
public:
    TestOwner()
        : window_(win::CreateWindow(
              [this](win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
                  if (message >= 0x8000) posted_.push_back({message, wParam, lParam});
                  if (message == kAssistantEnded && endCancels_ != nullptr) {
                      win::SetEvent(endCancels_);  // as the control stops its run
                  }
                  return win::DefWindowProc(hwnd, message, wParam, lParam);
              },
              "", 0)) {}
    ~TestOwner() override {
        if (win::IsWindow(window_)) win::DestroyWindow(window_);
    }

    struct Posted {
        win::UINT message;
        win::WPARAM wParam;
        win::LPARAM lParam;
    };

    void Attach(kivassistant::CKivDownloadAssistant* client) { client_ = client; }
    void CancelOnEnd(win::HANDLE cancelEvent) { endCancels_ = cancelEvent; }

    win::HWND Window() const override { return window_; }
    bool OnAssistantReply(const win::COPYDATASTRUCT* record) override {
        const kivassistant::AssistantReply reply = kivassistant::ParseAssistantReply(record);
        if (reply.effect == kivassistant::AssistantReply::Effect::Refused) return false;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            replies_.push_back(reply);
        }
        if (reply.effect == kivassistant::AssistantReply::Effect::ResumeDecision) return true;
        if (client_ == nullptr) return false;
        client_->SignalReply(reply.failed);
        return true;
    }
    void ShowFileErrorBox(const std::string& text) override {
        std::lock_guard<std::mutex> hold(mutex_);
        boxes_.push_back(text);
    }

    std::vector<kivassistant::AssistantReply> Replies() {
        std::lock_guard<std::mutex> hold(mutex_);
        return replies_;
    }
    std::vector<std::string> Boxes() {
        std::lock_guard<std::mutex> hold(mutex_);
        return boxes_;
    }
    const std::vector<Posted>& PostedToWindow() const { return posted_; }
    bool Received(win::UINT message) const {
        for (const Posted& posted : posted_) {
            if (posted.message == message) return true;
        }
        return false;
    }

private:
    win::HWND window_;
    kivassistant::CKivDownloadAssistant* client_ = nullptr;
    win::HANDLE endCancels_ = nullptr;
    std::mutex mutex_;
    std::vector<kivassistant::AssistantReply> replies_;
    std::vector<std::string> boxes_;
    std::vector<Posted> posted_;  // window thread only
};

// Dispatches this thread's posted messages.
inline void DispatchPosted() {
    win::MSG msg;
    while (win::PeekMessage(&msg, win::PM_REMOVE)) win::DispatchMessage(&msg);
}

// Serves this thread's windows (sent and posted messages) until `done`,
// at most `boundMs`. False when the bound passed first.
inline bool PumpUntil(const std::function<bool()>& done, win::DWORD boundMs = kBound) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 20, win::QS_ALLINPUT);
        DispatchPosted();
    }
    return true;
}

// Runs `job` on a worker thread, as the control's worker sends and waits,
// while this thread serves its windows. Null when the job did not finish
// within the bound: `cancelEvent` is then set to free it.
inline std::optional<bool> OnWorker(const std::function<bool()>& job, win::HANDLE cancelEvent) {
    win::CThread worker;
    if (!worker.Create([&job] { return static_cast<win::DWORD>(job() ? 1 : 0); })) {
        return std::nullopt;
    }
    const win::HANDLE handle = worker.Handle();
    const bool ended =
        PumpUntil([handle] { return win::WaitForSingleObject(handle, 0) == win::WAIT_OBJECT_0; });
    if (!ended) {
        win::SetEvent(cancelEvent);
        worker.Wait(win::INFINITE);
        return std::nullopt;
    }
    win::DWORD result = 0;
    win::GetExitCodeThread(handle, &result);
    return result == 1;
}

}  // namespace assistanttest

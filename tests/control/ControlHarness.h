#pragma once
// A browser without a UI toolkit for whole-run tests of the control: the
// test's own thread is the browser's window thread (a plain message loop),
// the download dialog is a recording window, and a scripted user answers
// the message boxes and the folder dialog. Every wait is bounded.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "control/ControlServices.h"
#include "platform/KernelTypes.h"
#include "platform/WindowTypes.h"
#include "transfer/ControlMessages.h"

namespace ctltest {

constexpr win::DWORD kBoundMs = 20000;  // far longer than any correct step needs

// Dispatches the calling thread's messages until `done` is true; false when
// the bound passed first.
bool PumpUntil(const std::function<bool()>& done, win::DWORD boundMs = kBoundMs);

// Dispatches everything already posted to the calling thread (and whatever
// that posts in turn before the marker arrives).
void PumpPending();

// An answer that keeps a box or the folder dialog open until the control
// closes it (MBM_DISMISS or WM_CLOSE).
constexpr int kHoldOpen = 1000;

struct ShownBox {
    win::DWORD thread = 0;
    win::HWND owner = nullptr;
    std::string text;
    std::string caption;
    unsigned style = 0;
    bool standard = false;  // the platform's box (the "already running" question)
    int result = 0;
};

// Boxes are real top-level windows of the calling thread, titled with the
// caption, so the control can find and dismiss them.
class ScriptedMessageBoxes : public kivcontrol::IMessageBoxService {
public:
    // Answers for the next boxes in order; with none left a box answers IDOK.
    void Script(std::initializer_list<int> answers);
    std::vector<ShownBox> Boxes() const;
    std::size_t Count() const;

    int ShowMessageBox(win::HWND owner, const std::string& text, const std::string& caption,
                       unsigned style) override;
    int ShowStandardMessageBox(const std::string& text, const std::string& caption,
                               unsigned style) override;

private:
    int Show(ShownBox box);
    int NextAnswer();

    mutable std::mutex mutex_;
    std::deque<int> answers_;
    std::vector<ShownBox> boxes_;
};

// Runs a box or folder-dialog window titled `title` on the calling thread
// until it is dismissed (-1) or closed (`closedResult`).
int HoldWindowOpen(const std::string& title, int closedResult);

class ScriptedFolderBrowser : public kivcontrol::IFolderBrowser {
public:
    struct Answer {
        int result = IDOK;   // IDOK, IDCANCEL or kHoldOpen
        std::string folder;  // Windows form, for IDOK
    };
    void Script(Answer answer);
    // Runs on the calling (worker) thread before each answer.
    void OnBrowse(std::function<void()> hook);
    int Calls() const { return calls_; }
    win::HWND LastOwner() const { return lastOwner_; }

    int Browse(win::HWND owner, const std::string& prompt, unsigned flags,
               const KIVTOOLCommon::CItemIDList& initialSelection,
               KIVTOOLCommon::CItemIDList& result) override;

private:
    std::mutex mutex_;
    std::deque<Answer> answers_;
    std::function<void()> hook_;
    std::atomic<int> calls_{0};
    std::atomic<win::HWND> lastOwner_{nullptr};
};

// One message the dialog window received.
struct DialogMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::string text;  // DLGM_FILENAME and DLGM_STATUS carry one
};

class DialogLog {
public:
    void Add(DialogMessage message);
    std::vector<DialogMessage> All() const;
    std::vector<DialogMessage> Of(UINT message) const;
    std::vector<std::string> StatusTexts() const;
    bool Has(UINT message) const { return !Of(message).empty(); }

private:
    mutable std::mutex mutex_;
    std::vector<DialogMessage> messages_;
};

// The download dialog: a child window of the control that records the DLGM_
// messages and sets the cancel event on DLGM_CANCELSIGNAL, as the real one does.
class FakeDialogFactory : public kivcontrol::IDialogFactory {
public:
    std::unique_ptr<kivcontrol::IDownloadDialog> CreateDownloadDialog(win::HWND parent) override;
    DialogLog& Log() { return log_; }
    int Created() const { return created_; }
    bool fail = false;  // refuse to create, with ERROR_NOT_ENOUGH_MEMORY

private:
    DialogLog log_;
    std::atomic<int> created_{0};
};

// The dialog's Cancel button after a confirmed question: holding the pause
// mutex, the cancel event is set. False when the mutex stays busy.
bool PressDialogCancel(win::HANDLE pauseMutex, win::HANDLE cancelEvent);

class FakeBrowserHost : public kivcontrol::IBrowserHost {
public:
    FakeBrowserHost();  // creates the browser's top-level window on the calling thread
    ~FakeBrowserHost() override;

    bool HasClientSite() override { return clientSite; }
    std::int32_t QueryServiceProvider() override { return serviceProvider; }
    std::int32_t QueryBrowser() override { return browser; }
    std::int32_t QueryDocument() override { return document; }
    std::int32_t QueryPageWindow() override { return pageWindow; }
    std::int32_t ConnectPageEvents(kivcontrol::IPageEvents& sink, std::uint32_t& cookie) override;
    void DisconnectPageEvents(std::uint32_t cookie) override;
    win::HWND TopLevelWindow() override { return window_; }
    void BringToForeground() override { ++foregrounds; }
    bool SetBeforeUnloadText(const std::string& /*text*/) override { return true; }
    bool IsLeaveQuestionOpen() override { return false; }
    bool Quit() override;
    bool OpenBrowserWindow(const std::string& /*url*/) override { return false; }

    win::HWND Window() const { return window_; }

    bool clientSite = true;
    std::int32_t serviceProvider = 0;
    std::int32_t browser = 0;
    std::int32_t document = 0;
    std::int32_t pageWindow = 0;
    std::int32_t connect = 0;
    std::atomic<int> quits{0};
    std::atomic<int> foregrounds{0};
    std::atomic<int> connected{0};  // sinks connected minus disconnected

private:
    win::HWND window_ = nullptr;
};

class RecordingLauncher : public kivcontrol::ILauncher {
public:
    bool Launch(const std::vector<std::string>& argv) override;
    std::vector<std::vector<std::string>> Launched() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::vector<std::string>> launched_;
};

class ScriptedProxyPrompt : public kivcontrol::IProxyCredentialPrompt {
public:
    bool answer = true;
    std::string user = "kiv";
    std::string password = "s3cret";
    std::atomic<int> asked{0};
    std::atomic<win::DWORD> askedOnThread{0};
    std::atomic<win::HWND> owner{nullptr};

    bool AskProxyCredentials(win::HWND ownerWindow, std::string& userOut,
                             std::string& passwordOut) override;
};

// All fakes wired together.
struct FakeServices {
    ScriptedMessageBoxes boxes;
    ScriptedFolderBrowser folders;
    FakeDialogFactory dialogs;
    FakeBrowserHost browser;
    RecordingLauncher launcher;
    ScriptedProxyPrompt proxy;

    kivcontrol::ControlServices Services();
};

}  // namespace ctltest

#include "tests/control/ControlHarness.h"

#include <chrono>
#include <utility>

#include "env/ItemIDList.h"
#include "platform/Event.h"
#include "platform/LastError.h"
#include "platform/Message.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"
#include "platform/Wait.h"
#include "platform/Window.h"
#include "resources/StringTable.h"

using kivcontrol::ControlServices;
using kivcontrol::IDownloadDialog;
using kivcontrol::IPageEvents;

namespace ctltest {

namespace {

constexpr unsigned kFolderDialogTitle = 24;

std::string TextParameter(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == DLGM_FILENAME && wParam != 0) return reinterpret_cast<const char*>(wParam);
    if (message == DLGM_STATUS && lParam != 0) return reinterpret_cast<const char*>(lParam);
    return {};
}

class FakeDownloadDialog : public IDownloadDialog {
public:
    FakeDownloadDialog(win::HWND parent, DialogLog& log) : log_(log) {
        window_ = win::CreateWindow(
            [this](win::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
                return Procedure(window, message, wParam, lParam);
            },
            "", win::WS_CHILD, parent);
    }
    ~FakeDownloadDialog() override {
        if (win::IsWindow(window_)) win::DestroyWindow(window_);
    }

    win::HWND Window() const override { return window_; }
    void SetCreatedFlag(bool created) override { created_ = created; }
    bool CreatedFlag() const override { return created_; }
    void Configure(const std::string& caption, win::HANDLE cancelEvent, win::HANDLE /*pause*/,
                   const std::string& /*helpLink*/) override {
        cancelEvent_ = cancelEvent;
        win::SetWindowText(window_, caption);  // the real dialog is titled like the boxes
    }

private:
    win::LRESULT Procedure(win::HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message < DLGM_FILENAME || message > DLGM_SHOWLINK) {
            return win::DefWindowProc(window, message, wParam, lParam);
        }
        log_.Add({message, wParam, lParam, TextParameter(message, wParam, lParam)});
        if (message == DLGM_CANCELSIGNAL && cancelEvent_ != nullptr) win::SetEvent(cancelEvent_);
        return 0;
    }

    DialogLog& log_;
    win::HWND window_ = nullptr;
    win::HANDLE cancelEvent_ = nullptr;
    bool created_ = false;
};

}  // namespace

bool PumpUntil(const std::function<bool()>& done, win::DWORD boundMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    win::MSG msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        win::MsgWaitForMultipleObjects(0, nullptr, win::FALSE, 10, win::QS_ALLINPUT);
        while (win::PeekMessage(&msg, win::PM_REMOVE)) win::DispatchMessage(&msg);
    }
    return true;
}

void PumpPending() {
    bool reached = false;
    const win::HWND marker = win::CreateWindow(
        [&reached](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> win::LRESULT {
            if (message == WM_APP) reached = true;
            return win::DefWindowProc(hwnd, message, wParam, lParam);
        },
        "marker", 0);
    // Posted messages arrive in order, so the marker comes after the earlier ones.
    win::PostMessage(marker, WM_APP, 0, 0);
    EXPECT_TRUE(PumpUntil([&reached] { return reached; }));
    win::DestroyWindow(marker);
}

int HoldWindowOpen(const std::string& title, int closedResult) {
    int result = 0;
    bool ended = false;
    const win::HWND window = win::CreateWindow(
        [&](win::HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> win::LRESULT {
            if (message == MBM_DISMISS || message == win::WM_CLOSE) {
                if (!ended) result = message == MBM_DISMISS ? IDDISMISSED : closedResult;
                ended = true;
                return 0;
            }
            return win::DefWindowProc(hwnd, message, wParam, lParam);
        },
        title, 0);
    win::RunModalLoop([&] { return ended; });
    win::DestroyWindow(window);
    return result;
}

// --- Message boxes

void ScriptedMessageBoxes::Script(std::initializer_list<int> answers) {
    std::lock_guard hold(mutex_);
    answers_.insert(answers_.end(), answers);
}

std::vector<ShownBox> ScriptedMessageBoxes::Boxes() const {
    std::lock_guard hold(mutex_);
    return boxes_;
}

std::size_t ScriptedMessageBoxes::Count() const {
    std::lock_guard hold(mutex_);
    return boxes_.size();
}

int ScriptedMessageBoxes::ShowMessageBox(win::HWND owner, const std::string& text,
                                         const std::string& caption, unsigned style) {
    return Show({win::GetCurrentThreadId(), owner, text, caption, style, false, 0});
}

int ScriptedMessageBoxes::ShowStandardMessageBox(const std::string& text,
                                                 const std::string& caption, unsigned style) {
    return Show({win::GetCurrentThreadId(), nullptr, text, caption, style, true, 0});
}

int ScriptedMessageBoxes::NextAnswer() {
    std::lock_guard hold(mutex_);
    if (answers_.empty()) return IDOK;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

int ScriptedMessageBoxes::Show(ShownBox box) {
    int answer = NextAnswer();
    if (answer == kHoldOpen) answer = HoldWindowOpen(box.caption, IDCANCEL);
    box.result = answer;
    std::lock_guard hold(mutex_);
    boxes_.push_back(std::move(box));
    return answer;
}

// --- Folder dialog

void ScriptedFolderBrowser::Script(Answer answer) {
    std::lock_guard hold(mutex_);
    answers_.push_back(std::move(answer));
}

void ScriptedFolderBrowser::OnBrowse(std::function<void()> hook) {
    std::lock_guard hold(mutex_);
    hook_ = std::move(hook);
}

int ScriptedFolderBrowser::Browse(win::HWND owner, const std::string& /*prompt*/,
                                  unsigned /*flags*/,
                                  const KIVTOOLCommon::CItemIDList& /*initialSelection*/,
                                  KIVTOOLCommon::CItemIDList& result) {
    ++calls_;
    lastOwner_ = owner;
    Answer answer{IDCANCEL, {}};
    std::function<void()> hook;
    {
        std::lock_guard hold(mutex_);
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        hook = hook_;
    }
    if (hook) hook();
    if (answer.result == kHoldOpen)
        return HoldWindowOpen(res::LoadString(kFolderDialogTitle), IDCANCEL);
    if (answer.result == IDOK && !result.FromPath(answer.folder)) return IDCANCEL;
    return answer.result;
}

// --- Dialog

void DialogLog::Add(DialogMessage message) {
    std::lock_guard hold(mutex_);
    messages_.push_back(std::move(message));
}

std::vector<DialogMessage> DialogLog::All() const {
    std::lock_guard hold(mutex_);
    return messages_;
}

std::vector<DialogMessage> DialogLog::Of(UINT message) const {
    std::vector<DialogMessage> selected;
    for (const DialogMessage& received : All()) {
        if (received.message == message) selected.push_back(received);
    }
    return selected;
}

std::vector<std::string> DialogLog::StatusTexts() const {
    std::vector<std::string> texts;
    for (const DialogMessage& status : Of(DLGM_STATUS)) texts.push_back(status.text);
    return texts;
}

std::unique_ptr<IDownloadDialog> FakeDialogFactory::CreateDownloadDialog(win::HWND parent) {
    if (fail) {
        win::SetLastError(win::ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    ++created_;
    return std::make_unique<FakeDownloadDialog>(parent, log_);
}

bool PressDialogCancel(win::HANDLE pauseMutex, win::HANDLE cancelEvent) {
    // The worker's cancel check passes through the mutex; wait for it to pass.
    if (win::WaitForSingleObject(pauseMutex, kBoundMs) != win::WAIT_OBJECT_0) return false;
    win::SetEvent(cancelEvent);
    win::ReleaseMutex(pauseMutex);
    return true;
}

// --- Browser, launcher, proxy prompt

FakeBrowserHost::FakeBrowserHost() {
    window_ = win::CreateWindow(win::DefWindowProc, "Browser", win::WS_VISIBLE);
}

FakeBrowserHost::~FakeBrowserHost() {
    if (win::IsWindow(window_)) win::DestroyWindow(window_);
}

std::int32_t FakeBrowserHost::ConnectPageEvents(IPageEvents& /*sink*/, std::uint32_t& cookie) {
    if (connect < 0) return connect;
    cookie = 7;
    ++connected;
    return connect;
}

void FakeBrowserHost::DisconnectPageEvents(std::uint32_t cookie) {
    if (cookie == 7) --connected;
}

bool FakeBrowserHost::Quit() {
    ++quits;
    return true;
}

bool RecordingLauncher::Launch(const std::vector<std::string>& argv) {
    std::lock_guard hold(mutex_);
    launched_.push_back(argv);
    return true;
}

std::vector<std::vector<std::string>> RecordingLauncher::Launched() const {
    std::lock_guard hold(mutex_);
    return launched_;
}

bool ScriptedProxyPrompt::AskProxyCredentials(win::HWND ownerWindow, std::string& userOut,
                                              std::string& passwordOut) {
    ++asked;
    askedOnThread = win::GetCurrentThreadId();
    owner = ownerWindow;
    userOut = user;
    passwordOut = password;
    return answer;
}

ControlServices FakeServices::Services() {
    ControlServices services;
    services.messageBoxes = &boxes;
    services.folderBrowser = &folders;
    services.dialogFactory = &dialogs;
    services.browser = &browser;
    services.launcher = &launcher;
    services.proxyPrompt = &proxy;
    return services;
}

}  // namespace ctltest

#include "tests/support/FakeDownloadControl.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/HttpFile.h"

using kivtransfer::CONTENTDATA;

namespace {

// Sleeps are cut to this so retry pauses of seconds cost nothing in tests.
constexpr std::uint32_t kLongestRealSleepMs = 2;

}  // namespace

FakeDownloadControl::FakeDownloadControl() {
    cancelFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (cancelFd_ < 0) {
        throw std::runtime_error("eventfd failed");
    }
    // Reads that stall are what tests provoke; they must not wait the product's 7 s.
    timings.readTimeoutMs = 2000;
}

FakeDownloadControl::~FakeDownloadControl() {
    if (cancelFd_ >= 0) {
        close(cancelFd_);
    }
}

CONTENTDATA& FakeDownloadControl::AddItem(const std::string& url, const std::string& localPath,
                                          const std::string& name) {
    auto item = std::make_unique<CONTENTDATA>();
    item->url = url;
    item->localPath = localPath;
    item->name = name;
    items.push_back(std::move(item));
    return *items.back();
}

void FakeDownloadControl::Cancel() {
    cancelled_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(cancelFd_, &one, sizeof one);
}

std::vector<RecordedMessage> FakeDownloadControl::Messages() const {
    std::lock_guard lock(recordMutex_);
    return messages_;
}

std::vector<RecordedMessage> FakeDownloadControl::MessagesOf(UINT message) const {
    std::vector<RecordedMessage> selected;
    for (const RecordedMessage& recorded : Messages()) {
        if (recorded.message == message) {
            selected.push_back(recorded);
        }
    }
    return selected;
}

std::vector<std::uint32_t> FakeDownloadControl::Sleeps() const {
    std::lock_guard lock(recordMutex_);
    return sleeps_;
}

std::string FakeDownloadControl::LookupText(const std::string& name) const {
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string() : found->second;
}

bool FakeDownloadControl::IsCancelled() {
    ++isCancelledCalls_;
    if (!pauseMutex.try_lock()) {
        // The cancel question is open: the time spent waiting is no transfer time.
        meter.Restart();
        pauseMutex.lock();
    }
    pauseMutex.unlock();
    return cancelled_ || !dialogWindow;
}

bool FakeDownloadControl::TryTakeReadGate() {
    bool expected = false;
    return readGateHeld_.compare_exchange_strong(expected, true);
}

void FakeDownloadControl::ReleaseReadGate() {
    readGateHeld_ = false;
}

LRESULT FakeDownloadControl::SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialogWindow) {
        return 0;
    }
    Record(RecordedMessage::Kind::Send, message, wParam, lParam);
    return 1;
}

bool FakeDownloadControl::PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialogWindow || !dialogVisible) {
        return false;
    }
    Record(RecordedMessage::Kind::Post, message, wParam, lParam);
    return true;
}

bool FakeDownloadControl::PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialogWindow) {
        return false;
    }
    Record(RecordedMessage::Kind::PostToWindow, message, wParam, lParam);
    return true;
}

LRESULT FakeDownloadControl::AskProxyCredentials(win::CHttpFile& request) {
    Record(RecordedMessage::Kind::Send, CTLM_INETERRORDLG, 0, INETERRORDLG_PROXY_AUTH);
    ++proxyQuestions_;
    if (proxyAnswers.empty()) {
        return 0;
    }
    const ProxyAnswer answer = proxyAnswers.front();
    proxyAnswers.pop_front();
    if (!answer.user.empty()) {
        request.SetProxyCredentials(answer.user, answer.password);
    }
    return answer.answer;
}

bool FakeDownloadControl::AskBrowserDialogOpen(std::uint32_t /*timeoutMs*/, LRESULT& answer) {
    Record(RecordedMessage::Kind::Send, CTLM_BROWSERDIALOG, 0, 0);
    BrowserDialogAnswer scripted;
    if (!browserDialogAnswers.empty()) {
        scripted = browserDialogAnswers.front();
        browserDialogAnswers.pop_front();
    }
    if (scripted.delivered) {
        answer = scripted.answer;
    }
    return scripted.delivered;
}

void FakeDownloadControl::Sleep(std::uint32_t ms) {
    {
        std::lock_guard lock(recordMutex_);
        sleeps_.push_back(ms);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, kLongestRealSleepMs)));
}

void FakeDownloadControl::Record(RecordedMessage::Kind kind, UINT message, WPARAM wParam,
                                 LPARAM lParam) {
    RecordedMessage recorded{kind, message, wParam, lParam, {}};
    if (message == DLGM_FILENAME && wParam != 0) {
        recorded.text = reinterpret_cast<const char*>(wParam);
    } else if (message == DLGM_STATUS && lParam != 0) {
        recorded.text = reinterpret_cast<const char*>(lParam);
    }
    std::lock_guard lock(recordMutex_);
    messages_.push_back(std::move(recorded));
}

#include "tools/headless/HeadlessControl.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "platform/HttpFile.h"

using kivtransfer::CONTENTDATA;

CHeadlessControl::CHeadlessControl() {
    cancelFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (cancelFd_ < 0) {
        throw std::runtime_error("eventfd failed");
    }
}

CHeadlessControl::~CHeadlessControl() {
    close(cancelFd_);
}

CONTENTDATA& CHeadlessControl::AddItem(const std::string& url, const std::string& localPath,
                                       const std::string& name) {
    auto item = std::make_unique<CONTENTDATA>();
    item->url = url;
    item->localPath = localPath;
    item->name = name;
    items.push_back(std::move(item));
    return *items.back();
}

void CHeadlessControl::Cancel() {
    cancelled_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(cancelFd_, &one, sizeof one);
}

std::vector<RecordedMessage> CHeadlessControl::Messages() const {
    std::lock_guard lock(recordMutex_);
    return messages_;
}

std::vector<RecordedMessage> CHeadlessControl::MessagesOf(UINT message) const {
    std::vector<RecordedMessage> selected;
    for (const RecordedMessage& recorded : Messages()) {
        if (recorded.message == message) {
            selected.push_back(recorded);
        }
    }
    return selected;
}

std::vector<std::uint32_t> CHeadlessControl::Sleeps() const {
    std::lock_guard lock(recordMutex_);
    return sleeps_;
}

std::string CHeadlessControl::LookupText(const std::string& name) const {
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string() : found->second;
}

bool CHeadlessControl::IsCancelled() {
    ++isCancelledCalls_;
    if (!pauseMutex.try_lock()) {
        // The cancel question is open: the time spent waiting is no transfer time.
        meter.Restart();
        pauseMutex.lock();
    }
    pauseMutex.unlock();
    return cancelled_ || !dialogWindow;
}

bool CHeadlessControl::TryTakeReadGate() {
    bool expected = false;
    return readGateHeld_.compare_exchange_strong(expected, true);
}

void CHeadlessControl::Sleep(std::uint32_t ms) {
    {
        std::lock_guard lock(recordMutex_);
        sleeps_.push_back(ms);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, sleepCapMs.value_or(ms))));
}

LRESULT CHeadlessControl::SendToDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialogWindow) {
        return 0;
    }
    ++sends_;
    Record(RecordedMessage::Kind::Send, message, wParam, lParam);
    return 1;
}

bool CHeadlessControl::PostToDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialogWindow || !dialogVisible) {
        return false;
    }
    ++posts_;
    Record(RecordedMessage::Kind::Post, message, wParam, lParam);
    return true;
}

bool CHeadlessControl::PostToDialogWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!dialogWindow) {
        return false;
    }
    ++posts_;
    Record(RecordedMessage::Kind::PostToWindow, message, wParam, lParam);
    return true;
}

LRESULT CHeadlessControl::AskProxyCredentials(win::CHttpFile& request) {
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

bool CHeadlessControl::AskBrowserDialogOpen(std::uint32_t /*timeoutMs*/, LRESULT& answer) {
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

void CHeadlessControl::Record(RecordedMessage::Kind kind, UINT message, WPARAM wParam,
                              LPARAM lParam) {
    if (!recordMessages) {
        return;
    }
    RecordedMessage recorded{kind, message, wParam, lParam, {}};
    if (message == DLGM_FILENAME && wParam != 0) {
        recorded.text = reinterpret_cast<const char*>(wParam);
    } else if (message == DLGM_STATUS && lParam != 0) {
        recorded.text = reinterpret_cast<const char*>(lParam);
    }
    std::lock_guard lock(recordMutex_);
    messages_.push_back(std::move(recorded));
}

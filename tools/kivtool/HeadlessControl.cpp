#include "tools/kivtool/HeadlessControl.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

using kivtransfer::CONTENTDATA;

CHeadlessControl::CHeadlessControl() : cancelFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CHeadlessControl::~CHeadlessControl() {
    if (cancelFd_ >= 0) close(cancelFd_);
}

CONTENTDATA& CHeadlessControl::AddItem(const std::string& url, const std::string& localPath) {
    auto item = std::make_unique<CONTENTDATA>();
    item->url = url;
    item->localPath = localPath;
    items_.push_back(std::move(item));
    return *items_.back();
}

LRESULT CHeadlessControl::SendToDialog(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    ++sends_;
    return 1;
}

bool CHeadlessControl::PostToDialog(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    ++posts_;
    return true;
}

bool CHeadlessControl::PostToDialogWindow(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    ++posts_;
    return true;
}

// Nobody is there to type proxy credentials: the answer is a cancelled dialog.
LRESULT CHeadlessControl::AskProxyCredentials(win::CHttpFile& /*request*/) {
    return 0;
}

bool CHeadlessControl::AskBrowserDialogOpen(std::uint32_t /*timeoutMs*/, LRESULT& /*answer*/) {
    return false;
}

void CHeadlessControl::Sleep(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

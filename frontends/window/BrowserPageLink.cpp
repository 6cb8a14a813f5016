#include "frontends/window/BrowserPageLink.h"

#include <QMetaObject>
#include <iostream>

#include "control/ControlServices.h"
#include "frontends/window/WindowSession.h"
#include "host/BrowserChannel.h"
#include "host/BrowserMessages.h"
#include "host/ExitStatus.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace {

constexpr int kGuardPollMs = 100;
constexpr unsigned kButtonsMask = 0xF;

}  // namespace

CBrowserPageLink::CBrowserPageLink(CBrowserChannel& channel) : channel_(channel) {
    guardTimer_.setInterval(kGuardPollMs);
    QObject::connect(&guardTimer_, &QTimer::timeout, &context_, [this] { SendGuard(); });
}

CBrowserPageLink::~CBrowserPageLink() {
    // No call may be queued to the context once it is gone.
    channel_.StopReading();
}

void CBrowserPageLink::SessionStarted(CWindowSession& session) {
    session_ = &session;
    channel_.StartReading(
        [this](std::string text) {
            QMetaObject::invokeMethod(
                &context_, [this, text = std::move(text)] { OnMessage(text); },
                Qt::QueuedConnection);
        },
        [this](std::string why) {
            QMetaObject::invokeMethod(
                &context_, [this, why = std::move(why)] { OnChannelEnded(why); },
                Qt::QueuedConnection);
        });
    SendGuard();
    guardTimer_.start();
}

void CBrowserPageLink::MessageShown(const std::string& text, unsigned style) {
    if ((style & kButtonsMask) != MB_OK) return;
    std::lock_guard<std::mutex> hold(closingGuard_);
    closingText_ = text;
}

void CBrowserPageLink::SessionEnded(CWindowSession& session) {
    quit_ = session.RunEnded();
    guardTimer_.stop();
    session_ = nullptr;
}

std::string CBrowserPageLink::EndReport(int status) const {
    std::string closing;
    {
        std::lock_guard<std::mutex> hold(closingGuard_);
        closing = closingText_;
    }
    switch (status) {
        case kExitSuccess:
            return EndMessage(BrowserRunResult::Success, closing, quit_);
        case kExitCancelled:
            return EndMessage(BrowserRunResult::Cancelled,
                              res::LoadString(textid::kDownloadCancelled), quit_);
        default:
            return EndMessage(BrowserRunResult::Failed, closing, quit_);
    }
}

void CBrowserPageLink::OnMessage(const std::string& text) {
    if (session_ == nullptr) return;
    BrowserMessage message;
    BrowserRefusal refusal;
    if (!ParseBrowserMessage(text, message, refusal)) {
        std::cerr << "kiv-downloader: a message from the browser was refused: " << refusal.reason
                  << "\n";
        return;
    }
    switch (message.kind) {
        case BrowserMessageKind::Start:
            std::cerr << "kiv-downloader: the page started once already\n";
            return;
        case BrowserMessageKind::BeforeUnload:
            session_->PageBeforeUnload();
            return;
        case BrowserMessageKind::LeaveQuestionOpen:
            if (auto leaveText = session_->PageLeaveQuestionOpened()) {
                channel_.Send(LeaveTextMessage(*leaveText));
            }
            return;
        case BrowserMessageKind::LeaveQuestionClosed:
            session_->PageLeaveQuestionClosed();
            return;
        case BrowserMessageKind::PageHide:
            session_->PageGone();
            return;
    }
}

void CBrowserPageLink::OnChannelEnded(const std::string& why) {
    if (!why.empty()) std::cerr << "kiv-downloader: the browser's channel broke: " << why << "\n";
    // The port is gone with its page (tab closed, navigation, browser ended).
    if (session_ != nullptr) session_->PageGone();
}

void CBrowserPageLink::SendGuard() {
    if (session_ == nullptr) return;
    const bool guarded = session_->LeaveGuarded();
    if (guardSent_ == guarded) return;
    guardSent_ = guarded;
    channel_.Send(GuardMessage(guarded));
}

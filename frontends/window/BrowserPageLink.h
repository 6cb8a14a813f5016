#pragma once
// The page in the browser, for the window front end (the browser host): the
// browser's page events, read from the channel on the channel's thread, are
// handed to the window thread and to the session there; whether leaving
// would ask first is sent to the page whenever it changes, as is the
// control's leave text when the browser asks; the run's closing message is
// kept for the end report.
#include <QObject>
#include <QTimer>
#include <mutex>
#include <optional>
#include <string>

#include "frontends/window/WindowPageLink.h"

class CBrowserChannel;

class CBrowserPageLink : public IWindowPageLink {
public:
    explicit CBrowserPageLink(CBrowserChannel& channel);
    ~CBrowserPageLink() override;
    CBrowserPageLink(const CBrowserPageLink&) = delete;
    CBrowserPageLink& operator=(const CBrowserPageLink&) = delete;

    void SessionStarted(CWindowSession& session) override;
    void MessageShown(const std::string& text, unsigned style) override;
    void SessionEnded(CWindowSession& session) override;

    // The end message for the run's exit status (ExitStatus.h): the result,
    // the text the page shows, and whether to close the page's tab (the
    // control asked the browser to quit).
    std::string EndReport(int status) const;

private:
    void OnMessage(const std::string& text);
    void OnChannelEnded(const std::string& why);
    void SendGuard();

    CBrowserChannel& channel_;
    CWindowSession* session_ = nullptr;
    bool quit_ = false;
    std::optional<bool> guardSent_;
    mutable std::mutex closingGuard_;
    std::string closingText_;  // the last box with only an OK button
    QObject context_;          // queued calls die with the link
    QTimer guardTimer_;
};

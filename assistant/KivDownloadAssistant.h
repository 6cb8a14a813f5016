#pragma once
// The control's side of the assistant program: starts it, writes each
// request to the work file and signals the named request event, and turns
// the assistant's WM_COPYDATA replies (received by the hidden reply window)
// into the outcome a waiting worker sees. In the protected layout the
// assistant chooses the destination and places the finished files, which
// the confined worker cannot reach itself.
//
// Threads: Start, the reply window, SignalReply (from the reply handler),
// WaitForExit and destruction on the control's window thread; the send
// operations and WaitForReply on the worker thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "assistant/AssistantOwner.h"
#include "assistant/AssistantRecords.h"
#include "platform/Handle.h"
#include "platform/Thread.h"
#include "transfer/FilePlacer.h"

namespace kivassistant {

class CChildProcess;
class CHiddenWnd;

class CKivDownloadAssistant : public kivtransfer::IFilePlacer {
public:
    // Creates the reply events and the named request event (joins it when
    // it exists). `cancelEvent` is the control's, borrowed, never closed here.
    explicit CKivDownloadAssistant(win::HANDLE cancelEvent);
    // Destroys the reply window, waits for the assistant to end (it ends by
    // itself once the reply window is gone; one that never learnt of that
    // window, or is still running after 10 s, is killed) and closes what it
    // created.
    ~CKivDownloadAssistant() override;
    CKivDownloadAssistant(const CKivDownloadAssistant&) = delete;
    CKivDownloadAssistant& operator=(const CKivDownloadAssistant&) = delete;

    // The assistant next to the module that holds `addressInModule`: the
    // module's path without its extension (see docs/architecture.md). The
    // control module passes one of its own entry points, since the engine's
    // functions may resolve to the host program's copy. Empty on failure.
    static std::string AssistantPathNextToModule(const void* addressInModule);

    // Creates the reply window under the owner's window, starts
    // `assistantPath` (Windows form) and the exit watcher. False with the
    // last error set.
    bool Start(IAssistantOwner& owner, const std::string& assistantPath);

    // Writes kind and record to the work file, hides it and signals the
    // request event (also after a failed write). False when the file could
    // not be written; the file error box was shown then.
    virtual bool SendRequest(std::uint32_t kind, const void* data, std::size_t size);
    bool SendHello(win::HWND dialogWindow);
    bool SendContentList(const std::string& caption, const std::string& identifierText,
                         std::span<const ContentItemRecord> items);
    bool SendPlaceFile(const std::string& source, const std::string& destination) override;
    // Waits for the reply's outcome or the cancel event: true only for a
    // success (a pending success wins over a set cancel event).
    bool WaitForReply() override;
    // `keptAside`: what a placing reply said of an entry in the file's way.
    void SignalReply(bool failed, const std::string& keptAside = {});
    std::string KeptAside() override;
    // Waits up to 10 s for the assistant to end.
    void WaitForExit();
    // No more replies are wanted (the page is being left and the run is
    // cancelled): the reply window goes, which tells the assistant to end.
    // Window thread.
    void CloseReplyWindow();

    // The reply window's number as the greeting carries it (0 before Start).
    std::uint32_t ReplyWindowNumber() const;
    win::HANDLE ProcessHandle() const;

private:
    win::DWORD WatchForExit() const;
    void EndAssistant();
    bool WriteWorkFile(const std::string& path, std::uint32_t kind, const void* data,
                       std::size_t size) const;
    void ReportWriteFailure(const std::string& path, win::DWORD error) const;

    std::string assistantPath_;
    std::unique_ptr<CChildProcess> process_;
    std::unique_ptr<CHiddenWnd> replyWindow_;
    win::CThread exitWatcher_;
    win::HWND ownerWindow_ = nullptr;
    win::CHandle replySuccess_;
    win::CHandle replyFailure_;
    win::HANDLE cancelEvent_;
    win::CHandle requestEvent_;
    IAssistantOwner* owner_ = nullptr;
    // The greeting reached the work file: only then can the assistant know
    // the reply window whose end tells it to end.
    std::atomic<bool> greeted_{false};  // known from Start; shows the file error box
    std::mutex keptAsideLock_;          // the window thread sets, the worker reads
    std::string keptAside_;
};

}  // namespace kivassistant
